// Spectrum files between the store and disk: the save commands ("Save
// spectra, txt", "Save, 1nm step", "Save screen, bmp"), the writers they and
// periodic saving share, and the loaders into the stored-curve table and into
// the reference spectrum. Every save replaces its file atomically; every
// message goes through the prompt with its exact text and caption.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "files/BmpImage.h"
#include "files/LineGrammar.h"
#include "files/PeriodicSave.h"
#include "files/SaveDialog.h"
#include "files/SpectrumText.h"

namespace halden {

class Prompt;
struct SpectrumStore;

// Writers to a path already chosen. saveSpectrumFile and save1nmFile then
// write the colorimetric report (full / short) when m_chromaticityView is set.
// On failure: "ERROR DURING CREATION THE OUT FILE" (caption "ERROR"), false.
bool saveSpectrumFile(const SpectrumStore& store, Prompt& prompt, const std::string& path);
bool save1nmFile(const SpectrumStore& store, Prompt& prompt, const std::string& path);
bool saveScreenImage(const RgbImage& image, Prompt& prompt, const std::string& path);

// The commands: periodic saving is stopped as each command says (the caller
// stops timer 1 whenever m_periodicSave is false afterwards), then the save
// dialog with the extension rule and the question before replacing a file
// (askSavePath; Cancel ends), the writer. Return the files written (the
// chosen one, then its colorimetric report), none when nothing was.
SavedFiles saveSpectrumCommand(SpectrumStore& store, Prompt& prompt);
// Also unchecks "Run" and stops the acquisition (counter reset to 0 when
// periodic saving was on).
SavedFiles save1nmCommand(SpectrumStore& store, Prompt& prompt);
// Leaves periodic saving alone; grab is called after the dialog has closed.
SavedFiles saveScreenImageCommand(SpectrumStore& store, Prompt& prompt, const std::function<RgbImage()>& grab);

// Writes the files one periodic tick asked for (see PeriodicSave), in order.
// Screen images come from grab; without one they are skipped.
void writePeriodicFiles(const SpectrumStore& store, Prompt& prompt, const std::vector<PeriodicFile>& files,
                        const std::function<RgbImage()>& grab);

enum class SpectrumLoad {
    Loaded,      // a new stored curve (or the reference) holds the file's data
    Empty,       // no data lines: message, the table (or reference) is left as it was
    Cancelled,
    Unreadable,  // "UNABLE TO OPEN FILE"
    Refused,     // not a regular file, too large, wide text, too many lines or
                 // table full: message, nothing changed
};

// Largest spectrum file read (bytes).
inline constexpr std::size_t kMaxSpectrumFileBytes = 64u * 1024 * 1024;

// Appends the file's data lines as a new stored curve n (the first entry
// whose length is -1): x and y as read, colour (n+1)*100, (n+2)*100,
// (n+3)*100, visible, entry n+1 = -1; m_storedCount = n. The caller redraws.
SpectrumLoad loadSpectrumFile(SpectrumStore& store, Prompt& prompt, const std::string& path);
// Adds already-read points the same way (shared with the file loader), named
// name in the curve list (a loaded file: its file name).
SpectrumLoad addStoredCurve(SpectrumStore& store, Prompt& prompt, const DataLines& lines, const std::string& name);

// Reads the reference spectrum of R(%), T(%) and ABS. A file on the live x
// (nm, or 1/cm on the Raman axis; as saved, to "%.3f") is taken point by
// point; any other is resampled onto the live x by linear interpolation,
// with the warning "Number of spectral points is not correct" (caption
// "Warning") first when the count differs from m_lastPoint + 1, then a note
// that it was resampled (caption "Information"). Live points outside the
// file's x range get 0 (no reference); a file that covers none of them is
// refused with a message and changes nothing. Sets m_referenceStored,
// unchecks and enables R(%), T(%) and ABS.
SpectrumLoad loadReferenceFile(SpectrumStore& store, Prompt& prompt, const std::string& path);

// Open dialog (Cancel ends), DIR, then the loaders above.
SpectrumLoad loadSpectrumCommand(SpectrumStore& store, Prompt& prompt);
SpectrumLoad loadReferenceCommand(SpectrumStore& store, Prompt& prompt);

}  // namespace halden
