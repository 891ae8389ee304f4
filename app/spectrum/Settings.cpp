#include "spectrum/Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "common/Messages.h"
#include "spectrum/DialogText.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

namespace {

constexpr long long kSettingsExposureMax = 10000000;  // 100 s in 0.01 ms
constexpr int kSettingsScansMax = 60;
constexpr double kTriggerLevelOffset = 4000;

// A detector pixel number typed into the (disabled) window edits; values off
// the frame keep the previous setting.
std::uint16_t readPixel(const std::string& text, std::uint16_t previous) {
    const std::int32_t v = parseInteger(text);
    if (v < 0 || v >= kFramePixels) return previous;
    return static_cast<std::uint16_t>(v);
}

}  // namespace

CommandEffects stopForDialog(SpectrumStore& store) {
    CommandEffects fx;
    if (store.m_chartBar.runChecked || store.m_running) {
        store.m_chartBar.runChecked = false;
        store.m_running = false;
        if (store.m_periodicSave) {
            store.m_periodicSave = false;
            store.m_saveCounter = 0;
            fx.stopSaveTimer = true;
        }
    }
    if (store.m_periodicSave) {
        store.m_periodicSave = false;
        fx.stopSaveTimer = true;
    }
    return fx;
}

SettingsFields settingsFromStore(const SpectrumStore& s) {
    SettingsFields f;
    f.exposure = formatFixed(s.m_exposure / 100.0, 3);
    f.scans = formatInt(s.m_scans);
    f.blankScans = formatInt(s.m_blankScans);
    f.sensorFirst = formatInt(s.m_sensorFirst);
    f.sensorLast = formatInt(s.m_sensorLast);
    f.showReport = s.m_showReport;
    f.testMode = s.m_testMode;
    f.trigger = s.m_trigger;
    f.keepTrigger = s.m_keepTrigger;
    f.average = s.m_average;
    f.fast = s.m_fast;
    f.colorBar1 = s.m_colorBar1;
    f.colorBar2 = s.m_colorBar2;
    f.applyNorm = s.m_applyNorm;
    f.applyCalibr = s.m_applyCalibr;
    f.showMaxIntensity = s.m_showMaxIntensity;
    f.gridLines = s.m_gridLines;
    f.showGaussian = s.m_showGaussian;
    f.calcEnergy = s.m_calcEnergy;
    f.energyLow = formatFixed(s.m_energyLow, 1);
    f.energyHigh = formatFixed(s.m_energyHigh, 1);
    f.interval1Low = formatFixed(s.m_interval1Low, 1);
    f.interval1High = formatFixed(s.m_interval1High, 1);
    f.interval2Low = formatFixed(s.m_interval2Low, 1);
    f.interval2High = formatFixed(s.m_interval2High, 1);
    f.interval3Low = formatFixed(s.m_interval3Low, 1);
    f.interval3High = formatFixed(s.m_interval3High, 1);
    f.periodicSave = s.m_periodicSave;
    f.saveInterval = formatInt(s.m_saveInterval);
    f.saveTxt = s.m_saveTxt;
    f.saveBmp = s.m_saveBmp;
    f.save1nm = s.m_save1nm;
    f.saveNormalized = s.m_saveNormalized;
    f.irradianceFactor = formatScientific(s.m_irradianceFactor, 2);
    return f;
}

CommandEffects applySettings(SpectrumStore& s, const SettingsFields& f, Prompt& prompt) {
    s.m_exposure = static_cast<std::int32_t>(
        truncClamp(parseDecimal(f.exposure) * 100.0, 0, kSettingsExposureMax));
    s.m_showReport = f.showReport;
    s.m_testMode = f.testMode;
    s.m_applyNorm = f.applyNorm;
    s.m_blankScans = parseInteger(f.blankScans);
    s.m_scans = parseInteger(f.scans);
    s.m_trigger = f.trigger;
    s.m_colorBar1 = f.colorBar1;
    s.m_colorBar2 = f.colorBar2;
    s.m_keepTrigger = f.keepTrigger;
    {
        const std::uint16_t first = readPixel(f.sensorFirst, s.m_sensorFirst);
        const std::uint16_t last = readPixel(f.sensorLast, s.m_sensorLast);
        if (first <= last) {
            s.m_sensorFirst = first;
            s.m_sensorLast = last;
        }
    }
    s.m_average = f.average;
    s.m_showMaxIntensity = f.showMaxIntensity;
    s.m_gridLines = f.gridLines;
    s.m_scans = std::clamp<std::int32_t>(s.m_scans, 1, kSettingsScansMax);
    s.m_applyCalibr = f.applyCalibr;
    if (!s.m_applyCalibr) {
        s.m_increasing = true;
        s.m_calibrationOrigin = CalibrationOrigin::None;  // the pixel axis
        for (int i = 0, last = boundedLastIndex(s); i <= last; ++i) s.m_wavelength[i] = i;
    }
    s.m_fast = f.fast;
    s.m_calcEnergy = f.calcEnergy;
    s.m_energyLow = parseDecimal(f.energyLow);
    s.m_energyHigh = parseDecimal(f.energyHigh);
    s.m_interval1Low = parseDecimal(f.interval1Low);
    s.m_interval1High = parseDecimal(f.interval1High);
    s.m_interval2Low = parseDecimal(f.interval2Low);
    s.m_interval2High = parseDecimal(f.interval2High);
    s.m_interval3Low = parseDecimal(f.interval3Low);
    s.m_interval3High = parseDecimal(f.interval3High);
    s.m_periodicSave = f.periodicSave;
    constexpr long long kIntervalLimit = std::numeric_limits<std::int32_t>::max() / 1000;
    s.m_saveInterval = static_cast<std::int32_t>(
        truncClamp(parseDecimal(f.saveInterval), -kIntervalLimit, kIntervalLimit));
    s.m_saveTxt = f.saveTxt;
    s.m_saveBmp = f.saveBmp;
    s.m_save1nm = f.save1nm;
    s.m_saveNormalized = f.saveNormalized;
    s.m_showGaussian = f.showGaussian;
    s.m_irradianceFactor = parseDecimal(f.irradianceFactor);
    s.m_recordIrradianceFactor = s.m_irradianceFactor;
    s.m_exposureScaled = s.m_exposure * s.m_irradianceFactor;

    CommandEffects fx;
    if (!s.m_periodicSave) {
        fx.stopSaveTimer = true;
    } else {
        prompt.showMessage(messages::kSaveFirstSpectra, messages::kCaptionInformation);
        fx.saveOnceNow = true;
        fx.startSaveTimer = true;
        // At least one second: a zero or negative period would save as fast
        // as the disk allows.
        fx.saveTimerMs = std::max(1, s.m_saveInterval) * 1000;
    }

    ChartBarState& bar = s.m_chartBar;
    bar.fastChecked = s.m_fast;
    bar.averageChecked = s.m_average;
    bar.exposureText = formatFixed(s.m_exposure / 100.0, 3);
    bar.scansText = formatInt(s.m_scans);
    fx.repaint = true;
    return fx;
}

CommandEffects cancelSettings() {
    CommandEffects fx;
    fx.repaint = true;
    return fx;
}

TriggerFields triggerFromStore(const SpectrumStore& s) {
    TriggerFields f;
    switch (s.m_trigMode) {
    case 1:
        f.selection = TriggerSelection::External;
        break;
    case 2:
        f.selection = TriggerSelection::Optical;
        break;
    default:
        f.selection = TriggerSelection::None;
        break;
    }
    f.falling = s.m_trigFalling;
    f.rising = s.m_trigRising;
    f.bothEdges = s.m_trigBothEdges;
    f.oneTime = s.m_trigOneTime;
    f.above = s.m_trigAbove;
    f.below = s.m_trigBelow;
    f.onceBelow = s.m_trigOnceBelow;
    f.onceAbove = s.m_trigOnceAbove;
    f.onThreshold = s.m_trigOnThreshold;
    f.wavelength = formatFixed(s.m_trigWavelength, 1);
    f.intensity = formatFixed(s.m_trigIntensity, 1);
    return f;
}

bool externalGroupEnabled(const TriggerFields& f) { return f.selection == TriggerSelection::External; }
bool opticalGroupEnabled(const TriggerFields& f) { return f.selection == TriggerSelection::Optical; }

void selectExternalEdge(TriggerFields& f, ExternalEdge edge) {
    f.falling = edge == ExternalEdge::Falling;
    f.rising = edge == ExternalEdge::Rising;
    f.bothEdges = edge == ExternalEdge::Both;
}

void selectOpticalCondition(TriggerFields& f, OpticalCondition c) {
    f.above = c == OpticalCondition::Above;
    f.below = c == OpticalCondition::Below;
    f.onceBelow = c == OpticalCondition::OnceBelow;
    f.onceAbove = c == OpticalCondition::OnceAbove;
}

void applyTrigger(SpectrumStore& s, const TriggerFields& f) {
    s.m_trigNone = f.selection == TriggerSelection::None;
    s.m_trigExternal = f.selection == TriggerSelection::External;
    s.m_trigOptical = f.selection == TriggerSelection::Optical;
    s.m_trigFalling = f.falling;
    s.m_trigRising = f.rising;
    s.m_trigBothEdges = f.bothEdges;
    s.m_trigOneTime = f.oneTime;
    s.m_trigAbove = f.above;
    s.m_trigBelow = f.below;
    s.m_trigOnceBelow = f.onceBelow;
    s.m_trigOnceAbove = f.onceAbove;
    s.m_trigOnThreshold = f.onThreshold;
    s.m_trigMode = static_cast<std::int32_t>(f.selection);
    s.m_trigIntensity = parseDecimal(f.intensity);
    s.m_trigWavelength = parseDecimal(f.wavelength);

    if (!s.m_trigExternal) {
        s.m_extTrigMode = 0;
        s.m_extTrigEdge = 0;
        s.m_optTrigMode = 0;
    } else {
        s.m_optTrigMode = 0;
        s.m_extTrigMode = s.m_trigOneTime ? 2 : 1;
        if (s.m_trigRising) s.m_extTrigEdge = 1;
        if (s.m_trigFalling) s.m_extTrigEdge = 2;
        if (s.m_trigBothEdges) s.m_extTrigEdge = 3;
    }

    if (s.m_trigOptical) {
        if (s.m_trigAbove) s.m_optTrigMode = 1;
        if (s.m_trigBelow) s.m_optTrigMode = 2;
        if (s.m_trigOnceBelow) s.m_optTrigMode = 0x81;
        if (s.m_trigOnceAbove) s.m_optTrigMode = 0x82;
        const int lastIndex = boundedLastIndex(s);
        int point = findNearestPoint(s.m_trigWavelength, lastIndex + 1, s.m_wavelength.data());
        if (!s.m_increasing) point = lastIndex - point;
        s.m_optTrigPoint = static_cast<std::uint16_t>(point);
        // The level is a 16-bit device value: hold it inside that range.
        s.m_optTrigLevel = static_cast<std::uint16_t>(truncClamp(
            s.m_trigIntensity * s.m_sensitivity[s.m_optTrigPoint] + kTriggerLevelOffset, 0, 65535));
    }
}

int findNearestPoint(double x, int n, const double* a) {
    if (n < 1) return 0;
    int lo = 0, hi = n - 1;
    if (a[n - 1] > a[0]) {  // rising
        if (x <= a[0]) return 0;
        if (x >= a[n - 1]) return n - 1;
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if (a[lo] <= x && x <= a[mid])
                hi = mid;
            else
                lo = mid;
        }
        return a[hi] - x <= x - a[lo] ? hi : lo;
    }
    // falling (or flat)
    if (x >= a[0]) return 0;
    if (x <= a[n - 1]) return n - 1;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (a[lo] >= x && x >= a[mid])
            hi = mid;
        else
            lo = mid;
    }
    return x - a[hi] <= a[lo] - x ? hi : lo;
}

}  // namespace halden
