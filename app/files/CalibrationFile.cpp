#include "files/CalibrationFile.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/AtomicFile.h"
#include "files/SaveNames.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

namespace {

constexpr int kLast = kCalibrationPoints - 1;  // 3652
constexpr int kMarkerAfterLoad = 1825;

bool fileOpensForReading(const std::string& path) {
    // Non-blocking: a FIFO of the backup's name must not stall start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    ::close(fd);
    return true;
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

bool saveCalibrationFile(SpectrumStore& store, Prompt& prompt, CalibrationSave mode) {
    std::string path;
    if (mode == CalibrationSave::Interactive) {
        const auto chosen = prompt.chooseSaveFile();
        if (!chosen) return false;
        recordSaveDirectory();
        path = withExtension(*chosen, ".clbr");
    } else {
        path = inCurrentDirectory(backupCalibrationFileName(store.m_calibrationHeader));
    }
    return writeCalibrationFile(store, prompt, path);
}

bool saveCalibrationBackupIfMissing(SpectrumStore& store, Prompt& prompt) {
    const std::string path = inCurrentDirectory(backupCalibrationFileName(store.m_calibrationHeader));
    if (fileOpensForReading(path)) return false;
    return saveCalibrationFile(store, prompt, CalibrationSave::Automatic);
}

void setUnitCalibrationTables(SpectrumStore& store) {
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

CalibrationLoad loadCalibrationFromPath(SpectrumStore& store, Prompt& prompt, const std::string& path) {
    std::string bytes;
    switch (readRegularFile(path, bytes, kCalibrationTextLimit).status) {
    case ReadStatus::Ok: break;
    case ReadStatus::Unreadable:
        prompt.showMessage(messages::kOpenFileError, messages::kCaptionErrorUpper);
        return CalibrationLoad::Unreadable;
    case ReadStatus::NotRegular:
        prompt.showMessage(messages::kCalibrationNotRegular, messages::kCaptionErrorUpper);
        return CalibrationLoad::Refused;
    case ReadStatus::TooLarge:
        prompt.showMessage(messages::kCalibrationTooLong, messages::kCaptionErrorUpper);
        return CalibrationLoad::Refused;
    }
    const ParsedCalibration parsed = parseCalibrationText(bytes, CalibrationLayout::File);
    if (parsed.nonFinite) {
        prompt.showMessage(parsed.refusal + " " + messages::kCalibrationNotLoaded, messages::kCaptionErrorUpper);
        return CalibrationLoad::Refused;
    }
    if (!parsed.accepted() || (parsed.recordPresent && !parsed.complete)) {
        prompt.showMessage(messages::kCalibrationIncomplete, messages::kCaptionErrorUpper);
        return CalibrationLoad::Refused;
    }

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
