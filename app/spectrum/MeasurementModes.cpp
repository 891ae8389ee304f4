#include "spectrum/MeasurementModes.h"

#include <algorithm>

#include "common/Messages.h"
#include "spectrum/DialogText.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

namespace {

bool& modeBox(ChartBarState& bar, RatioMode mode) {
    switch (mode) {
    case RatioMode::Reflectance:
        return bar.reflectanceChecked;
    case RatioMode::Transmittance:
        return bar.transmittanceChecked;
    default:
        return bar.absorbanceChecked;
    }
}

}  // namespace

CommandEffects toggleRatioMode(SpectrumStore& s, RatioMode mode, Prompt& prompt) {
    CommandEffects fx;
    if (mode == RatioMode::Off) return fx;
    ChartBarState& bar = s.m_chartBar;
    const int m = static_cast<int>(mode);
    if (!s.m_referenceStored) {
        modeBox(bar, mode) = false;
        prompt.showMessage(messages::kGetReferenceFirst, messages::kCaptionMessage);
        return fx;
    }
    if (s.m_ratioMode == m) {
        modeBox(bar, mode) = false;
        s.m_ratioMode = 0;
        return fx;
    }
    bar.reflectanceChecked = bar.transmittanceChecked = bar.absorbanceChecked = false;
    modeBox(bar, mode) = true;
    bar.fastChecked = false;
    s.m_fast = false;
    bar.averageChecked = true;
    s.m_average = true;
    s.m_ratioMode = m;
    showFullXRange(s);
    if (mode == RatioMode::Transmittance) {
        // T% values are per cent (S x 100 / Ref): the whole scale is 0..100.
        s.m_yMin = 0;
        s.m_yMax = 100.0;
    } else if (mode == RatioMode::Absorbance) {
        s.m_yMin = -0.25;
        s.m_yMax = 3.0;
    }
    fx.repaint = true;
    return fx;
}

void markReferenceStored(SpectrumStore& s) {
    s.m_referenceStored = true;
    // The boxes come back unchecked, so the spectrum returns to raw intensity.
    s.m_ratioMode = 0;
    ChartBarState& bar = s.m_chartBar;
    bar.reflectanceChecked = bar.transmittanceChecked = bar.absorbanceChecked = false;
    bar.reflectanceEnabled = bar.transmittanceEnabled = bar.absorbanceEnabled = true;
}

std::optional<ConcentrationFields> openConcentration(const SpectrumStore& s, Prompt& prompt) {
    if (s.m_ratioMode != static_cast<int>(RatioMode::Absorbance)) {
        prompt.showMessage(messages::kOnlyInAbsMode, messages::kCaptionMessage);
        return std::nullopt;
    }
    ConcentrationFields f;
    f.molarAbsorptivity = formatFixed(s.m_molarAbsorptivity, 2);
    f.cuvetteLength = formatFixed(s.m_cuvetteLength, 2);
    f.wavelength = formatFixed(s.m_markerX, 2);
    f.calculate = true;
    return f;
}

CommandEffects applyConcentration(SpectrumStore& s, const ConcentrationFields& f, Prompt& prompt) {
    s.m_molarAbsorptivity = parseDecimal(f.molarAbsorptivity);
    if (s.m_molarAbsorptivity <= 0) {
        s.m_molarAbsorptivity = 1.0;
        prompt.showMessage(messages::kAbsorptivityPositive, messages::kCaptionMessage);
    }
    s.m_cuvetteLength = parseDecimal(f.cuvetteLength);
    if (s.m_cuvetteLength <= 0) {
        s.m_cuvetteLength = 1.0;
        prompt.showMessage(messages::kCuvetteLengthPositive, messages::kCaptionMessage);
    }
    const double x = parseDecimal(f.wavelength);
    s.m_markerX = std::max(s.m_xMin, std::min(x, s.m_xMax));
    s.m_showConcentration = f.calculate;
    CommandEffects fx;
    fx.repaint = true;
    return fx;
}

double concentrationValue(const SpectrumStore& s) {
    if (s.m_concentrationPoint < 0 || s.m_concentrationPoint >= kPointCapacity) return 0.0;
    const double absorbance = s.liveBuffer()[s.m_concentrationPoint];
    return absorbance / (s.m_molarAbsorptivity * s.m_cuvetteLength);
}

}  // namespace halden
