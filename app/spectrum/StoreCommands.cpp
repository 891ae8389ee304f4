#include "spectrum/StoreCommands.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstdint>
#include <ctime>

#include "common/Messages.h"
#include "spectrum/DialogText.h"
#include "spectrum/MeasurementModes.h"
#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

constexpr long long kChartBarExposureMax = 30000000;  // 300 s in 0.01 ms
constexpr int kChartBarScansMax = 64;
constexpr int kMaxBoxcar = 50;
constexpr int kFastBackgroundLast = 1825;
constexpr int kFastReferenceLast = 1826;
constexpr int kMaxStoredCurves = kStoredSlots - 1;  // the last slot holds the end marker

int boundedRangeLast(const SpectrumStore& store) {
    return std::min<int>(store.m_rangeLast, kPointCapacity - 1);
}

void setRatioBoxes(ChartBarState& bar, bool enabled) {
    bar.reflectanceChecked = bar.transmittanceChecked = bar.absorbanceChecked = false;
    bar.reflectanceEnabled = bar.transmittanceEnabled = bar.absorbanceEnabled = enabled;
}

}  // namespace

std::string snapshotName(int number, const LiveAcquisition& shown) {
    // The time the spectrum was measured, on the local clock.
    const auto when = shown.measured ? shown.completed : std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    return "Snapshot " + std::to_string(number) + ", " + clock;
}

void readAcquisitionSettings(SpectrumStore& store) {
    store.m_progressTicks = 0;
    // The device takes no exposure of 0: it is sent, and kept, as 1.
    if (store.m_exposure == 0) {
        store.m_exposure = 1;
        store.m_chartBar.exposureText = formatFixed(store.m_exposure / 100.0, 3);
    }
    store.m_exposureScaled = store.m_exposure * store.m_irradianceFactor;
}

void commitFirstChartBarTexts(SpectrumStore& store) {
    const ChartBarState firstShown = store.m_chartBar;
    commitExposureText(store, firstShown.exposureText);
    commitScansText(store, firstShown.scansText);
    store.m_chartBar = firstShown;
}

std::optional<std::string> commitExposureText(SpectrumStore& store, const std::string& text) {
    ChartBarState& bar = store.m_chartBar;
    double ms = 0;
    if (!parseWholeDecimal(text, ms)) {
        bar.exposureText = formatFixed(store.m_exposure / 100.0, 3);
        return std::string(messages::kExposureNotNumber);
    }
    store.m_exposure = static_cast<std::int32_t>(truncClamp(ms * 100.0, 0, kChartBarExposureMax));
    bar.exposureText = formatFixed(store.m_exposure / 100.0, 3);
    return std::nullopt;
}

std::optional<std::string> commitScansText(SpectrumStore& store, const std::string& text) {
    ChartBarState& bar = store.m_chartBar;
    double typed = 0;
    if (!parseWholeDecimal(text, typed) || typed != std::trunc(typed)) {
        bar.scansText = formatInt(store.m_scans);
        return std::string(messages::kScansNotNumber);
    }
    store.m_scans = static_cast<std::int32_t>(truncClamp(typed, 1, kChartBarScansMax));
    bar.scansText = formatInt(store.m_scans);
    return std::nullopt;
}

std::optional<std::string> commitBoxcarText(SpectrumStore& store, const std::string& text) {
    ChartBarState& bar = store.m_chartBar;
    double typed = 0;
    if (!parseWholeDecimal(text, typed)) {
        bar.boxcarText = formatInt(store.m_boxcar);
        return std::string(messages::kBoxcarNotNumber);
    }
    typed = std::trunc(typed);
    store.m_boxcar = typed >= 0 && typed <= kMaxBoxcar ? static_cast<std::uint8_t>(typed) : 1;
    bar.boxcarText = formatInt(store.m_boxcar);
    return std::nullopt;
}

CommandEffects setRun(SpectrumStore& store, bool checked) {
    CommandEffects fx;
    store.m_resendParameters = true;
    fx.endAcquisitionWait = true;  // a trigger or a long exposure stops being waited for
    store.m_chartBar.runChecked = checked;
    if (checked) {
        store.m_running = true;
        store.m_showReport = false;
        fx.startProgressTimer = true;
        fx.startAcquisition = true;
    } else {
        store.m_running = false;
        if (store.m_periodicSave) {
            store.m_periodicSave = false;
            store.m_saveCounter = 0;
            fx.stopSaveTimer = true;
            fx.stopProgressTimer = true;
        }
    }
    return fx;
}

CommandEffects getBackground(SpectrumStore& store) {
    store.m_backgroundState = BackgroundState::Requested;
    updateSubtractBox(store);
    store.m_chartBar.subtractEnabled = true;
    return {};
}

bool captureBackgroundIfRequested(SpectrumStore& store) {
    if (store.m_backgroundState != BackgroundState::Requested) return false;
    // The background is subtracted point by point from spectra of the
    // current resolution: a shown spectrum of the other one does not do.
    const LiveAcquisition& shown = store.m_liveAcquisition;
    if (shown.fast() != store.m_fast) return false;
    const int last = std::min(store.m_fast ? kFastBackgroundLast : boundedRangeLast(store), shown.lastPoint);
    const double* live = store.liveBuffer();
    std::copy(live, live + last + 1, store.m_background.begin());
    store.m_backgroundState = BackgroundState::Captured;
    return true;
}

CommandEffects setSubtract(SpectrumStore& store, bool checked) {
    ChartBarState& bar = store.m_chartBar;
    if (store.m_backgroundState < BackgroundState::Captured) {
        bar.subtractChecked = false;
        bar.subtractEnabled = false;
        store.m_subtractBackground = false;
        return {};
    }
    bar.subtractChecked = checked;
    store.m_backgroundState = checked ? BackgroundState::Subtracted : BackgroundState::Captured;
    store.m_subtractBackground = checked;
    store.m_ratioMode = 0;
    bar.reflectanceChecked = bar.transmittanceChecked = bar.absorbanceChecked = false;
    return {};
}

void updateSubtractBox(SpectrumStore& store) { setSubtract(store, store.m_chartBar.subtractChecked); }

CommandEffects setAverage(SpectrumStore& store, bool checked) {
    store.m_average = checked;
    store.m_chartBar.averageChecked = checked;
    return {};
}

CommandEffects setFast(SpectrumStore& store, bool checked) {
    store.m_referenceStored = false;
    // The reference is gone, so no ratio mode can stay on (its boxes are
    // unchecked and disabled from here on).
    store.m_ratioMode = 0;
    setRatioBoxes(store.m_chartBar, false);
    store.m_fast = checked;
    store.m_chartBar.fastChecked = checked;
    store.m_backgroundState = BackgroundState::None;
    updateSubtractBox(store);
    CommandEffects fx;
    fx.repaint = true;
    return fx;
}

SnapshotResult snapshot(SpectrumStore& store) {
    SnapshotResult result;
    const StoredCurves table(store);
    const int k = table.markerSlot();
    const long long offset = table.endOffset();
    if (k < 0) {
        result.outcome = SnapshotOutcome::TableDamaged;
        return result;
    }
    store.m_storedCount = k;
    if (k >= kMaxStoredCurves) {
        result.outcome = SnapshotOutcome::TooManyCurves;
        return result;
    }
    const int last = boundedRangeLast(store);
    if (offset + last + 1 > kStoredPoolSize) {
        result.outcome = SnapshotOutcome::PoolFull;
        return result;
    }

    const double* live = store.liveBuffer();
    for (int i = 0; i <= last; ++i) {
        store.m_storedY[offset + i] = live[i];
        store.m_storedX[offset + i] =
            store.m_wavenumberAxis
                ? (1.0 / store.m_laserWavelength - 1.0 / store.m_wavelength[i]) * 10000000.0
                : store.m_wavelength[i];
    }
    store.m_storedLength[k] = last;
    setStoredCurveSlotColour(store, k);
    nameStoredCurve(store, k, CurveKind::Snapshot, snapshotName(++store.m_snapshotNumber, store.m_liveAcquisition));
    store.m_storedLength[k + 1] = -1;
    store.m_storedCount = k + 1;
    result.curve = k;
    result.effects.repaint = true;
    return result;
}

std::string snapshotRefusalText(SnapshotOutcome outcome) {
    switch (outcome) {
    case SnapshotOutcome::Added:
        return {};
    case SnapshotOutcome::TooManyCurves:
        return messages::kSnapshotTooManyCurves;
    case SnapshotOutcome::PoolFull:
        return messages::kSnapshotPoolFull;
    case SnapshotOutcome::TableDamaged:
        return messages::kSnapshotTableDamaged;
    }
    return {};
}

CommandEffects clearAllStored(SpectrumStore& store) {
    store.m_storedCount = 0;
    store.m_snapshotNumber = 0;
    store.m_storedLength[1] = -1;
    store.m_showGaussian = false;
    store.m_gaussCleared = true;
    CommandEffects fx;
    fx.repaint = true;
    return fx;
}

CommandEffects useDataWithoutCalibration(SpectrumStore& store) {
    store.m_calibrationOrigin = CalibrationOrigin::None;
    for (int i = 0; i < kSpectrumPoints; ++i) {
        store.m_wavelength[i] = i;
        store.m_sensitivity[i] = 1.0;
        store.m_irradianceCal[i] = 1.0;
    }
    store.m_increasing = true;
    CommandEffects fx;
    fx.repaint = true;
    return fx;
}

CommandEffects getSourceSpectra(SpectrumStore& store) {
    const int last = store.m_fast ? kFastReferenceLast : kPointCapacity - 1;
    const double* live = store.liveBuffer();
    std::copy(live, live + last + 1, store.m_reference.begin());
    markReferenceStored(store);
    return {};
}

ChartBarValues chartBarValues(const SpectrumStore& store) {
    const ChartBarState& bar = store.m_chartBar;
    return {bar.exposureText, bar.scansText, bar.boxcarText, store.m_average, store.m_autoY, store.m_logScale};
}

void restoreChartBarValues(SpectrumStore& store, const ChartBarValues& values) {
    commitExposureText(store, values.exposure);
    commitScansText(store, values.scans);
    commitBoxcarText(store, values.boxcar);
    setAverage(store, values.average);
    store.m_autoY = values.autoY;
    store.m_chartBar.autoYChecked = values.autoY;
    store.m_logScale = values.logScale;
    store.m_chartBar.logScaleChecked = values.logScale;
}

void progressTick(SpectrumStore& store) {
    ++store.m_progressTicks;
    const long long total = static_cast<long long>(store.m_exposure) * store.m_scans;
    if (total > 100) {
        const double percent = 100.0 * (store.m_progressTicks * 100.0) / (total * 0.01);
        store.m_chartBar.progress = static_cast<int>(truncClamp(percent, 0, 100));
    }
}

}  // namespace halden
