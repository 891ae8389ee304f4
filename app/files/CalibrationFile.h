// The calibration file commands: "Save Calibration to file" (interactive),
// the automatic backup named after the instrument, and "Load Calibration from
// file", moving the calibration text between disk and the spectrum store.
#pragma once

#include <array>
#include <string>

#include "files/CalibrationText.h"

namespace halden {

class Prompt;
struct SpectrumStore;

enum class CalibrationSave { Interactive, Automatic };

// Interactive: save dialog (Cancel writes nothing), DIR, ".clbr" appended
// unless present, and a file of that name replaced only when the user says
// so (askSavePath). Automatic: the backup file name below, in the current
// directory, no dialog. Writes the file layout from m_calibrationHeader,
// m_irradianceFactor, m_laserWavelength and the three tables in the order
// m_increasing says. Shows "ERROR DURING CREATION THE OUT FILE" (caption
// "ERROR") when the file cannot be written. Returns true when written, and
// then the path in written when given.
bool saveCalibrationFile(SpectrumStore& store, Prompt& prompt, CalibrationSave mode, std::string* written = nullptr);

// Writes the calibration text to path (no dialog, no extension rule).
bool writeCalibrationFile(const SpectrumStore& store, Prompt& prompt, const std::string& path);

// Bytes 10..15 of the identification record + ".clbr". Bytes that cannot
// stand in a file name ('/', NUL and other control bytes) become '_'.
std::string backupCalibrationFileName(const std::array<char, 16>& header);

// The flash completion's backup rule: when no file of the backup name opens
// in the current directory, write it (automatic save). An existing backup is
// never replaced. Returns true when a file was written.
bool saveCalibrationBackupIfMissing(SpectrumStore& store, Prompt& prompt);

enum class CalibrationLoad {
    Loaded,          // a calibration was applied
    NoCalibration,   // byte 5 not '.': uncalibrated tables, header kept
    Cancelled,       // dialog cancelled: uncalibrated state
    Unreadable,      // "UNABLE TO OPEN FILE", nothing changed
    Refused,         // not a regular file, too long, incomplete, holding a
                     // value that is not a finite number or wavelengths that
                     // do not rise or fall strictly: message shown, nothing changed
};

// What reading a calibration file found: Loaded (a complete record that
// passed every check), NoCalibration (byte 5 not '.'), Unreadable or Refused.
struct CalibrationFileText {
    CalibrationLoad status = CalibrationLoad::Unreadable;
    std::string message;  // Unreadable, Refused: the message a load shows
    std::string reason;   // all but Loaded: what is wrong with the file, as a sentence
    ParsedCalibration parsed;
};

// Reads and checks the calibration file at path; changes nothing.
CalibrationFileText readCalibrationFile(const std::string& path);

// Bytes 10..15 of an identification record, as in the backup file's name.
std::string instrumentName(const std::array<char, 16>& header);

// Empty when the file at path can restore the calibration of the instrument
// whose identification record is header: it loads as any calibration file
// must, and bytes 10..15 of its record name the same instrument. Otherwise
// what is wrong with it, as a sentence.
std::string calibrationBackupProblem(const std::string& path, const std::array<char, 16>& header);

// The open dialog, then loadCalibrationFromPath; Cancel switches to the
// uncalibrated state (wavelength = index, unit tables, m_increasing true).
CalibrationLoad loadCalibrationFile(SpectrumStore& store, Prompt& prompt);

// Loads the file at path (DIR is not written). On success (and for a text
// without a record) also enables Run, sets m_irradianceCalibrated and the
// chromaticity checkbox from byte 10, resets the x range and puts the marker
// at point 1825. The caller redraws.
CalibrationLoad loadCalibrationFromPath(SpectrumStore& store, Prompt& prompt, const std::string& path);

// Shared with the flash reading: the values of a record in the store's
// layout (tables in text order), before ordering.
void storeParsedTables(SpectrumStore& store, const ParsedCalibration& parsed);

// Sets m_increasing from the first two wavelengths and, when they fall,
// reverses m_wavelength, m_sensitivity and m_irradianceCal over 0..3652.
void orderCalibrationAscending(SpectrumStore& store);

// Wavelength = point index, sensitivity and irradiance factors 1.0 (0..3652).
void setUnitCalibrationTables(SpectrumStore& store);

// The store's calibration as formatter input; the coefficient is passed in
// because the file writes m_irradianceFactor and the flash record
// m_recordIrradianceFactor.
CalibrationSource calibrationSourceFromStore(const SpectrumStore& store, double irradianceFactor);

}  // namespace halden
