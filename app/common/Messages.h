// The texts the application shows through the prompt (message boxes and
// questions) and their captions, grouped by the subsystem that shows them.
// The texts are fixed: tests and users compare them byte for byte.
#pragma once

namespace halden::messages {

// Captions: the prompt picks the box's icon from them.
inline constexpr const char* kCaptionError = "Error";
inline constexpr const char* kCaptionErrorUpper = "ERROR";
inline constexpr const char* kCaptionWarning = "Warning";
inline constexpr const char* kCaptionMessage = "Message";
inline constexpr const char* kCaptionInformation = "Information";
inline constexpr const char* kCaptionRequest = "Request";

// Files: any save or open that fails.
inline constexpr const char* kCreateFileError = "ERROR DURING CREATION THE OUT FILE";
inline constexpr const char* kOpenFileError = "UNABLE TO OPEN FILE";

// A save dialog's file that exists already: its path stands before the text
// (caption "Request", OK replaces it, Cancel goes back to the dialog).
inline constexpr const char* kReplaceFile = " already exists.\nDo you want to replace it?";
// Periodic saving: the first files of the chosen base name exist; the first
// of them stands before the text.
inline constexpr const char* kReplacePeriodicFiles =
    " already exists, and periodic saving would replace it and the files numbered after it.\n"
    "Do you want to replace them?";

// Spectrum files refused on loading.
inline constexpr const char* kTooManyPoints =
    "The file holds more than 4096 spectral points and was not loaded.";
inline constexpr const char* kFileTooLarge = "The file is too large and was not loaded.";
inline constexpr const char* kNotRegularFile =
    "The file is not a regular file (a folder, FIFO or device) and was not loaded.";
inline constexpr const char* kWideText =
    "The file is UTF-16 or other wide text, not 8-bit text, and was not loaded.";
inline constexpr const char* kNoSpectralPoints = "The file holds no spectral points and was not loaded.";
inline constexpr const char* kStoredTableFull =
    "No room is left for another stored spectrum; the file was not loaded.";
inline constexpr const char* kReferencePointsWrong = "Number of spectral points is not correct";
inline constexpr const char* kReferenceResampled =
    "The reference spectrum was resampled onto the spectrometer's wavelengths.";
// Follows kReferenceResampled: the points outside the file's range, of all points.
inline constexpr const char* kReferencePointsOutside =
    "%d of the %d points lie outside the file's range and have no reference: R(%%) and T(%%) show -1 "
    "there, ABS 0.";
inline constexpr const char* kReferenceNoOverlap =
    "The reference spectrum does not overlap the spectrometer's wavelength range and was not loaded.";
// JCAMP-DX files refused on loading; the reason follows the first text.
inline constexpr const char* kJcampNotLoaded = "The JCAMP-DX file was not loaded: ";

// Calibration files refused on loading.
inline constexpr const char* kCalibrationTooLong =
    "The calibration file is longer than 130000 bytes and was not loaded.";
inline constexpr const char* kCalibrationIncomplete =
    "The calibration file is incomplete and was not loaded.";
inline constexpr const char* kCalibrationNotRegular =
    "The calibration file is not a regular file (a folder, FIFO or device) and was not loaded.";
// The backup file's path stands between the two.
inline constexpr const char* kCalibrationBackupNotRegular = "No backup of the spectrometer's calibration was written: ";
inline constexpr const char* kCalibrationBackupNotRegularEnd = " is not a regular file (a folder, FIFO or device).";
// Follows the parser's reason for a nan or infinite value.
inline constexpr const char* kCalibrationNotLoaded = "The calibration file was not loaded.";

// Device and acquisition.
inline constexpr const char* kNoDevice = "Can not find device";
// Commands that need the acquisition stopped (device choice).
inline constexpr const char* kStopAcquisitionFirst = "Stop Acquisition first";
inline constexpr const char* kNoCalibration =
    "Calibration information was not located in your spectrometer.\n Load it from hard drive "
    "(file with '.clbr' extension)";

// Writing the calibration to the spectrometer's flash.
inline constexpr const char* kFlashWait = "Wait! FLASH updated will take about 1 minute. Click OK to continue.";
inline constexpr const char* kFlashUpdated = "FLASH was updated";
inline constexpr const char* kFlashInProcess = "Writing to FLASH in process, Wait!!!";
inline constexpr const char* kFlashFailed =
    "FLASH was not updated: the spectrometer reported an error.\nThe FLASH was read back: it still holds what it "
    "held before.";
inline constexpr const char* kFlashTooLong =
    "FLASH was not updated: the calibration does not fit into the FLASH memory.";
inline constexpr const char* kFlashUnreadable =
    "The calibration could not be read from your spectrometer (it did not answer).\n Load it from hard "
    "drive (file with '.clbr' extension)";
inline constexpr const char* kFlashNotReadYet =
    "FLASH was not updated: the calibration in the spectrometer has not been read, so there is no backup "
    "of it.";
inline constexpr const char* kFlashBackupUnknown =
    "FLASH was not updated: the calibration in the spectrometer could not be read, so there is no backup "
    "of it.";
// Followed by the backup file's path.
inline constexpr const char* kFlashBackupMissing =
    "FLASH was not updated: the backup of the spectrometer's calibration is missing: ";
// Followed by the backup file's path, ". " and what is wrong with the file.
inline constexpr const char* kFlashBackupUnusable =
    "FLASH was not updated (nothing was erased): this backup cannot restore the spectrometer's calibration: ";
// Followed by the backup file's path and ".".
inline constexpr const char* kFlashErased =
    "FLASH was not updated, and the calibration in the spectrometer was erased.\n"
    "Write it back from the backup file ";
inline constexpr const char* kFlashErasedNoRecord =
    "FLASH was not updated, and the spectrometer's FLASH was erased (it held no calibration before).";

// The window's settings file; its path stands between the two.
inline constexpr const char* kSettingsNotRegular = "The settings file ";
inline constexpr const char* kSettingsNotRegularEnd =
    " is not a regular file (a folder, FIFO or device); the settings are neither read nor saved.";

// Settings dialog and periodic saving.
inline constexpr const char* kSaveFirstSpectra = "Save First Spectra";

// Reflectance, transmittance, absorbance and the "Concentration" dialog.
inline constexpr const char* kGetReferenceFirst = "Get Reference spectra fist";
inline constexpr const char* kOnlyInAbsMode = "It can be used in ABS mode";
inline constexpr const char* kAbsorptivityPositive =
    "molar absorptivity (extinction coefficient) of the absorber should be positive";
inline constexpr const char* kCuvetteLengthPositive = "cuvette length should be positive";

// Snapshots the stored-spectrum table refuses.
inline constexpr const char* kSnapshotTooManyCurves = "No room for another spectrum: 99 spectra are stored already";
inline constexpr const char* kSnapshotPoolFull =
    "No room for another spectrum: the stored spectra hold 1000000 points";
inline constexpr const char* kSnapshotTableDamaged = "The table of stored spectra is damaged";

// XYZ Planck calibration refusals.
inline constexpr const char* kBadTemperature = "The black body temperature must be a positive number of kelvin.";
inline constexpr const char* kCalibrationFastMode = "Switch Fast mode off before the XYZ Planck calibration.";
inline constexpr const char* kCalibrationNoResult =
    "This spectrum gives no valid irradiance correction; the calibration is unchanged.";

// Window commands that need data first. kNeedSpectrum may be followed by
// the command's name in parentheses.
// Chart bar edits that do not hold a number; the last valid value stays.
inline constexpr const char* kExposureNotNumber =
    "The exposure must be a number of milliseconds (0 to 300000); the last exposure stays.";
inline constexpr const char* kScansNotNumber = "Scans must be a whole number from 1 to 64; the last value stays.";
inline constexpr const char* kBoxcarNotNumber = "BoxCar must be a whole number from 0 to 50; the last value stays.";
inline constexpr const char* kNeedSpectrum = "There is no spectrum yet: check Run or open a spectrum first.";
inline constexpr const char* kLoadDatabaseFirst = "Load a database first (\"Load database\").";

// The database bar.
inline constexpr const char* kDatabaseBusy =
    "The database is still being loaded or compared; wait until the button shows \"Make comparison\" again.";
// Followed by the reason.
inline constexpr const char* kDatabaseFailed = "The database could not be loaded or compared: ";

}  // namespace halden::messages
