#include "files/CalibrationFile.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/AtomicFile.h"
#include "files/SaveDialog.h"
#include "files/SaveNames.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

namespace {

constexpr int kLast = kCalibrationPoints - 1;  // 3652
constexpr int kMarkerAfterLoad = 1825;

enum class PathKind { Missing, Regular, Other };

// What path names (links followed), without opening it: a FIFO of the
// backup's name must not stall start-up.
PathKind pathKind(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return PathKind::Missing;  // writing it says what is wrong
    return S_ISREG(st.st_mode) ? PathKind::Regular : PathKind::Other;
}

// Step 10 and 11 of a load: Run, the irradiance flag, x range and marker.
void finishLoad(SpectrumStore& store) {
    store.m_chartBar.runEnabled = true;
    if (store.m_calibrationHeader[10] == 'Y') {
        store.m_chartBar.chromaticityEnabled = true;
        store.m_irradianceCalibrated = true;
    } else {
        store.m_irradianceCalibrated = false;
    }
    showFullXRange(store);
    store.m_markerIndex = kMarkerAfterLoad;
}

}  // namespace

CalibrationSource calibrationSourceFromStore(const SpectrumStore& store, double irradianceFactor) {
    CalibrationSource src;
    std::memcpy(src.header.data(), store.m_calibrationHeader.data(), src.header.size());
    src.irradianceFactor = irradianceFactor;
    src.laserWavelength = store.m_laserWavelength;
    src.wavelength = std::span<const double>(store.m_wavelength.data(), kCalibrationPoints);
    src.sensitivity = std::span<const double>(store.m_sensitivity.data(), kCalibrationPoints);
    src.irradianceCal = std::span<const double>(store.m_irradianceCal.data(), kCalibrationPoints);
    src.increasing = store.m_increasing;
    return src;
}

bool writeCalibrationFile(const SpectrumStore& store, Prompt& prompt, const std::string& path) {
    const CalibrationText text =
        formatCalibrationText(calibrationSourceFromStore(store, store.m_irradianceFactor), CalibrationLayout::File);
    if (!text.ok()) {
        prompt.showMessage(messages::kCreateFileError, messages::kCaptionErrorUpper);
        return false;
    }
    return writeFileOrReport(path, text.text, prompt);
}

std::string backupCalibrationFileName(const std::array<char, 16>& header) {
    std::string name;
    for (int i = 10; i < 16; ++i) {
        const auto b = static_cast<unsigned char>(header[i]);
        name += (b < 0x20 || b == 0x7F || b == '/') ? '_' : static_cast<char>(b);
    }
    return name + ".clbr";
}

bool saveCalibrationFile(SpectrumStore& store, Prompt& prompt, CalibrationSave mode, std::string* written) {
    std::string path;
    if (mode == CalibrationSave::Interactive) {
        const auto chosen = askSavePath(prompt, ".clbr");
        if (!chosen) return false;
        path = *chosen;
    } else {
        path = inCurrentDirectory(backupCalibrationFileName(store.m_calibrationHeader));
    }
    if (!writeCalibrationFile(store, prompt, path)) return false;
    if (written) *written = path;
    return true;
}

bool saveCalibrationBackupIfMissing(SpectrumStore& store, Prompt& prompt) {
    const std::string path = inCurrentDirectory(backupCalibrationFileName(store.m_calibrationHeader));
    switch (pathKind(path)) {
    case PathKind::Regular: return false;  // never replaced
    case PathKind::Other:
        // A folder, FIFO or device of that name is left alone, and the user
        // learns there is no backup.
        prompt.showMessage(std::string(messages::kCalibrationBackupNotRegular) + path +
                               messages::kCalibrationBackupNotRegularEnd,
                           messages::kCaptionWarning);
        return false;
    case PathKind::Missing: break;
    }
    return saveCalibrationFile(store, prompt, CalibrationSave::Automatic);
}

void setUnitCalibrationTables(SpectrumStore& store) {
    store.m_calibrationOrigin = CalibrationOrigin::None;
    for (int i = 0; i <= kLast; ++i) {
        store.m_wavelength[i] = i;
        store.m_sensitivity[i] = 1.0;
        store.m_irradianceCal[i] = 1.0;
    }
}

void storeParsedTables(SpectrumStore& store, const ParsedCalibration& parsed) {
    const auto copy = [](const std::vector<double>& from, std::array<double, kPointCapacity>& to) {
        const std::size_t n = std::min<std::size_t>(from.size(), kCalibrationPoints);
        std::copy_n(from.begin(), n, to.begin());
    };
    copy(parsed.wavelength, store.m_wavelength);
    copy(parsed.sensitivity, store.m_sensitivity);
    copy(parsed.irradianceCal, store.m_irradianceCal);
}

void orderCalibrationAscending(SpectrumStore& store) {
    if (store.m_wavelength[1] > store.m_wavelength[0]) {
        store.m_increasing = true;
        return;
    }
    store.m_increasing = false;
    std::reverse(store.m_wavelength.begin(), store.m_wavelength.begin() + kCalibrationPoints);
    std::reverse(store.m_sensitivity.begin(), store.m_sensitivity.begin() + kCalibrationPoints);
    std::reverse(store.m_irradianceCal.begin(), store.m_irradianceCal.begin() + kCalibrationPoints);
}

CalibrationFileText readCalibrationFile(const std::string& path) {
    CalibrationFileText out;
    std::string bytes;
    const ReadResult read = readRegularFile(path, bytes, kCalibrationTextLimit);
    switch (read.status) {
    case ReadStatus::Ok: break;
    case ReadStatus::Unreadable:
        out.status = CalibrationLoad::Unreadable;
        out.message = messages::kOpenFileError;
        out.reason = "The file cannot be opened (" + read.error + ").";
        return out;
    case ReadStatus::NotRegular:
        out.status = CalibrationLoad::Refused;
        out.message = messages::kCalibrationNotRegular;
        out.reason = "The file is " + read.error + ".";
        return out;
    case ReadStatus::TooLarge:
        out.status = CalibrationLoad::Refused;
        out.message = messages::kCalibrationTooLong;
        out.reason = "The file is longer than 130000 bytes.";
        return out;
    }
    out.parsed = parseCalibrationText(bytes, CalibrationLayout::File);
    const ParsedCalibration& parsed = out.parsed;
    if (parsed.nonFinite || parsed.malformed) {
        out.status = CalibrationLoad::Refused;
        out.message = parsed.refusal + " " + messages::kCalibrationNotLoaded;
        out.reason = parsed.refusal;
        return out;
    }
    if (!parsed.accepted() || (parsed.recordPresent && !parsed.complete)) {
        out.status = CalibrationLoad::Refused;
        out.message = messages::kCalibrationIncomplete;
        out.reason = bytes.empty() ? "The file is empty." : "The file is incomplete (" + std::to_string(bytes.size()) +
                                                                " bytes, " + std::to_string(parsed.valuesRead) + " of " +
                                                                std::to_string(3 * kCalibrationPoints) + " values).";
        return out;
    }
    out.status = parsed.recordPresent ? CalibrationLoad::Loaded : CalibrationLoad::NoCalibration;
    if (!parsed.recordPresent) out.reason = "The file holds no calibration (its 6th byte is not '.').";
    return out;
}

std::string instrumentName(const std::array<char, 16>& header) {
    const std::string file = backupCalibrationFileName(header);
    return file.substr(0, file.size() - 5);  // without ".clbr"
}

std::string calibrationBackupProblem(const std::string& path, const std::array<char, 16>& header) {
    const CalibrationFileText file = readCalibrationFile(path);
    if (file.status != CalibrationLoad::Loaded) return file.reason;
    if (!std::equal(header.begin() + 10, header.end(), file.parsed.header.begin() + 10))
        return "It is the calibration of instrument " + instrumentName(file.parsed.header) +
               ", not of this spectrometer (" + instrumentName(header) + ").";
    return {};
}

CalibrationLoad loadCalibrationFromPath(SpectrumStore& store, Prompt& prompt, const std::string& path) {
    const CalibrationFileText file = readCalibrationFile(path);
    if (file.status == CalibrationLoad::Unreadable || file.status == CalibrationLoad::Refused) {
        prompt.showMessage(file.message, messages::kCaptionErrorUpper);
        return file.status;
    }
    const ParsedCalibration& parsed = file.parsed;

    store.m_calibrationHeader = parsed.header;
    if (!parsed.recordPresent) {
        // Not a calibration: pixel axis and unit tables; the coefficient,
        // laser and order stay as they were.
        setUnitCalibrationTables(store);
        finishLoad(store);
        return CalibrationLoad::NoCalibration;
    }
    store.m_irradianceFactor = parsed.irradianceFactor;
    store.m_recordIrradianceFactor = parsed.irradianceFactor;
    store.m_laserWavelength = parsed.laserWavelength;
    storeParsedTables(store, parsed);
    orderCalibrationAscending(store);
    store.m_calibrationOrigin = CalibrationOrigin::File;
    finishLoad(store);
    return CalibrationLoad::Loaded;
}

CalibrationLoad loadCalibrationFile(SpectrumStore& store, Prompt& prompt) {
    const auto chosen = prompt.chooseOpenFile();
    if (!chosen) {
        setUnitCalibrationTables(store);
        store.m_increasing = true;
        return CalibrationLoad::Cancelled;
    }
    recordSaveDirectory();
    return loadCalibrationFromPath(store, prompt, *chosen);
}

}  // namespace halden
