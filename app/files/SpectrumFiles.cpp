#include "files/SpectrumFiles.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "colour/Colorimetry.h"
#include "colour/CriReport.h"
#include "colour/Radiometry.h"
#include "common/Messages.h"
#include "common/Prompt.h"
#include "files/AtomicFile.h"
#include "files/JcampFile.h"
#include "files/ReferenceResampling.h"
#include "files/SaveDialog.h"
#include "files/SaveNames.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoredCurves.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

bool saveSpectrumFile(const SpectrumStore& store, Prompt& prompt, const std::string& path) {
    if (!writeFileOrReport(path, spectrumFileText(store), prompt)) return false;
    if (store.m_chromaticityView) writeCriReport(storeColorimetry(store), prompt, path, CriReportVariant::Full);
    return true;
}

bool save1nmFile(const SpectrumStore& store, Prompt& prompt, const std::string& path) {
    if (!writeFileOrReport(path, oneNmFileText(store), prompt)) return false;
    if (store.m_chromaticityView) writeCriReport(storeColorimetry(store), prompt, path, CriReportVariant::Short);
    return true;
}

bool saveScreenImage(const RgbImage& image, Prompt& prompt, const std::string& path) {
    const std::string bytes = bmpFileBytes(image);
    if (bytes.empty()) {
        prompt.showMessage(messages::kCreateFileError, messages::kCaptionErrorUpper);
        return false;
    }
    return writeFileOrReport(path, bytes, prompt);
}

namespace {

std::optional<std::string> askOpenPath(Prompt& prompt) {
    const auto chosen = prompt.chooseOpenFile();
    if (!chosen) return std::nullopt;
    recordSaveDirectory();
    return chosen;
}

struct NamedSpectrum {
    std::string name;  // in the curve list
    DataLines lines;
};

// Reads the spectra of a file: the data lines of a spectrum text file, or
// the blocks of a JCAMP-DX file. Refuses special files, oversized input,
// wide text and spectra with too many points or none.
SpectrumLoad readSpectra(Prompt& prompt, const std::string& path, std::vector<NamedSpectrum>& spectra) {
    std::string bytes;
    const std::string fileName = std::filesystem::path(path).filename().string();
    const ReadResult read = readRegularFile(path, bytes, kMaxSpectrumFileBytes);
    const char* refusal = nullptr;
    switch (read.status) {
    case ReadStatus::Ok: break;
    case ReadStatus::Unreadable:
        prompt.showMessage(messages::kOpenFileError, messages::kCaptionErrorUpper);
        return SpectrumLoad::Unreadable;
    case ReadStatus::NotRegular: refusal = messages::kNotRegularFile; break;
    case ReadStatus::TooLarge: refusal = messages::kFileTooLarge; break;
    }
    if (!refusal && isWideText(bytes)) refusal = messages::kWideText;
    if (!refusal && isJcampFile(path, bytes)) {
        JcampFile file = parseJcamp(bytes);
        if (!file.ok()) {
            prompt.showMessage(messages::kJcampNotLoaded + file.error + ".", messages::kCaptionWarning);
            return SpectrumLoad::Refused;
        }
        for (JcampBlock& block : file.blocks) {
            if (block.x.size() > kMaxDataLines) refusal = messages::kTooManyPoints;
            const std::string name =
                file.blocks.size() == 1 ? fileName : fileName + " (" + block.title + ")";
            spectra.push_back({name, DataLines{std::move(block.x), std::move(block.y), false}});
        }
    } else if (!refusal) {
        spectra.push_back({fileName, readDataLines(bytes, kMaxDataLines)});
        if (spectra.back().lines.overflow) refusal = messages::kTooManyPoints;
    }
    if (refusal) {
        prompt.showMessage(refusal, messages::kCaptionWarning);
        return SpectrumLoad::Refused;
    }
    if (spectra.empty() || spectra.front().lines.x.empty()) {
        prompt.showMessage(messages::kNoSpectralPoints, messages::kCaptionWarning);
        return SpectrumLoad::Empty;
    }
    return SpectrumLoad::Loaded;
}

// The chosen file, and its colorimetric report when one was written beside it.
SavedFiles withReport(const SpectrumStore& store, const std::string& path) {
    SavedFiles files{path};
    std::error_code ec;
    if (store.m_chromaticityView && std::filesystem::is_regular_file(criReportPath(path), ec))
        files.push_back(criReportPath(path));
    return files;
}

}  // namespace

SavedFiles saveSpectrumCommand(SpectrumStore& store, Prompt& prompt) {
    if (store.m_periodicSave) store.m_periodicSave = false;  // counter and base name stay
    const auto path = askSavePath(prompt, ".txt");
    if (!path || !saveSpectrumFile(store, prompt, *path)) return {};
    return withReport(store, *path);
}

SavedFiles save1nmCommand(SpectrumStore& store, Prompt& prompt) {
    if (store.m_chartBar.runChecked) {
        store.m_chartBar.runChecked = false;
        store.m_running = false;
        if (store.m_periodicSave) {
            store.m_periodicSave = false;
            store.m_saveCounter = 0;
        }
    }
    store.m_periodicSave = false;
    const auto path = askSavePath(prompt, ".txt");
    if (!path || !save1nmFile(store, prompt, *path)) return {};
    return withReport(store, *path);
}

SavedFiles saveScreenImageCommand(SpectrumStore&, Prompt& prompt, const std::function<RgbImage()>& grab) {
    const auto path = askSavePath(prompt, ".bmp");
    if (!path || !saveScreenImage(grab ? grab() : RgbImage{}, prompt, *path)) return {};
    return {*path};
}

void writePeriodicFiles(const SpectrumStore& store, Prompt& prompt, const std::vector<PeriodicFile>& files,
                        const std::function<RgbImage()>& grab) {
    for (const PeriodicFile& f : files) {
        switch (f.kind) {
        case PeriodicFileKind::Spectrum: saveSpectrumFile(store, prompt, f.path); break;
        case PeriodicFileKind::Screen:
            if (grab) saveScreenImage(grab(), prompt, f.path);
            break;
        case PeriodicFileKind::OneNm: save1nmFile(store, prompt, f.path); break;
        case PeriodicFileKind::Normalized: saveNormalizedToSensitivity(store, prompt, f.path); break;
        }
    }
}

SpectrumLoad addStoredCurve(SpectrumStore& store, Prompt& prompt, const DataLines& lines, const std::string& name) {
    // The new curve takes the end marker's slot; a table without a marker
    // or with damaged lengths is treated as full.
    const StoredCurves table(store);
    const int n = table.markerSlot();
    const long long offset = table.endOffset();
    if (n < 0) {
        prompt.showMessage(messages::kStoredTableFull, messages::kCaptionWarning);
        return SpectrumLoad::Refused;
    }
    store.m_storedCount = n;
    const auto count = static_cast<long long>(lines.x.size());
    if (count == 0) return SpectrumLoad::Empty;
    if (n + 1 >= kStoredSlots || offset + count > kStoredPoolSize) {
        prompt.showMessage(messages::kStoredTableFull, messages::kCaptionWarning);
        return SpectrumLoad::Refused;
    }
    std::copy(lines.x.begin(), lines.x.end(), store.m_storedX.begin() + offset);
    std::copy(lines.y.begin(), lines.y.end(), store.m_storedY.begin() + offset);
    store.m_storedLength[n] = static_cast<std::int32_t>(count - 1);
    setStoredCurveSlotColour(store, n);
    nameStoredCurve(store, n, CurveKind::File, name);
    store.m_storedLength[n + 1] = -1;
    return SpectrumLoad::Loaded;
}

SpectrumLoad loadSpectrumFile(SpectrumStore& store, Prompt& prompt, const std::string& path) {
    std::vector<NamedSpectrum> spectra;
    const SpectrumLoad read = readSpectra(prompt, path, spectra);
    if (read != SpectrumLoad::Loaded) return read;
    // Every block of a compound file becomes a curve, as long as the table
    // has room; the first decides what the load did.
    SpectrumLoad result = SpectrumLoad::Empty;
    for (const NamedSpectrum& spectrum : spectra) {
        const SpectrumLoad added = addStoredCurve(store, prompt, spectrum.lines, spectrum.name);
        if (result == SpectrumLoad::Empty) result = added;
        if (added == SpectrumLoad::Refused) break;
    }
    return result;
}

namespace {

// x written with "%.3f" lies within half a thousandth of the value saved.
constexpr double kSavedAxisTolerance = 0.00051;

std::string pointsOutsideText(int outside, int count) {
    char text[160];
    std::snprintf(text, sizeof text, messages::kReferencePointsOutside, outside, count);
    return text;
}

}  // namespace

SpectrumLoad loadReferenceFile(SpectrumStore& store, Prompt& prompt, const std::string& path) {
    std::vector<NamedSpectrum> spectra;
    const SpectrumLoad read = readSpectra(prompt, path, spectra);
    if (read != SpectrumLoad::Loaded) return read;
    const DataLines& lines = spectra.front().lines;
    // The reference goes point by point with the live spectrum: its x are
    // the live x as shown (nm, or the Raman shift on the 1/cm axis).
    const int count = std::min<int>(store.m_lastPoint + 1, kPointCapacity);
    std::array<double, kPointCapacity> axis{};
    for (int i = 0; i < count; ++i)
        axis[i] = store.m_wavenumberAxis ? ramanShift(store.m_laserWavelength, store.m_wavelength[i])
                                         : store.m_wavelength[i];
    if (onSameAxis(lines.x, axis.data(), count, kSavedAxisTolerance)) {
        std::copy(lines.y.begin(), lines.y.end(), store.m_reference.begin());
    } else {
        // Another grid: interpolated onto the live x. Points outside the
        // file's range get no reference (0), which R(%) and T(%) show as -1
        // and ABS as 0.
        std::array<double, kPointCapacity> resampled{};
        const int inside = resampleLinear(lines.x, lines.y, axis.data(), count, resampled.data(), 0.0);
        if (inside == 0) {
            prompt.showMessage(messages::kReferenceNoOverlap, messages::kCaptionWarning);
            return SpectrumLoad::Refused;
        }
        if (lines.y.size() != static_cast<std::size_t>(count))
            prompt.showMessage(messages::kReferencePointsWrong, messages::kCaptionWarning);
        std::string told = messages::kReferenceResampled;
        if (inside < count) told += " " + pointsOutsideText(count - inside, count);
        prompt.showMessage(told, messages::kCaptionInformation);
        std::copy(resampled.begin(), resampled.begin() + count, store.m_reference.begin());
    }
    store.m_referenceStored = true;
    ChartBarState& bar = store.m_chartBar;
    bar.reflectanceChecked = bar.transmittanceChecked = bar.absorbanceChecked = false;
    bar.reflectanceEnabled = bar.transmittanceEnabled = bar.absorbanceEnabled = true;
    return SpectrumLoad::Loaded;
}

SpectrumLoad loadSpectrumCommand(SpectrumStore& store, Prompt& prompt) {
    const auto path = askOpenPath(prompt);
    if (!path) return SpectrumLoad::Cancelled;
    return loadSpectrumFile(store, prompt, *path);
}

SpectrumLoad loadReferenceCommand(SpectrumStore& store, Prompt& prompt) {
    const auto path = askOpenPath(prompt);
    if (!path) return SpectrumLoad::Cancelled;
    return loadReferenceFile(store, prompt, *path);
}

}  // namespace halden
