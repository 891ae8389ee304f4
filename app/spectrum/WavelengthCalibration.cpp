#include "spectrum/WavelengthCalibration.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "spectrum/DialogText.h"
#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

constexpr double kVisibleLowNm = 390.0;   // 400 nm with a 10 nm margin
constexpr double kVisibleHighNm = 710.0;  // 700 nm with a 10 nm margin

}  // namespace

double truncToHundredths(double value) { return std::trunc(value * 100.0) / 100.0; }

double polynomialWavelength(double a, double b, double c, int i) {
    const double x = i;
    return truncToHundredths(a + b * x + c * x * x);
}

void fillPolynomialAxis(SpectrumStore& store) {
    const bool rising = store.m_coefB > 0;
    for (int i = 0; i < kSpectrumPoints; ++i) {
        const double w = polynomialWavelength(store.m_coefA, store.m_coefB, store.m_coefC, i);
        store.m_wavelength[rising ? i : kSpectrumPoints - 1 - i] = w;
    }
    store.m_increasing = rising;
}

int boundedLastIndex(const SpectrumStore& store) {
    return std::clamp<int>(store.m_lastIndex, 0, kPointCapacity - 1);
}

int curveZeroLast(const SpectrumStore& store) { return std::min(storedCurve0(store).last(), kPointCapacity - 1); }

bool orientLoadedCalibration(SpectrumStore& store) {
    const int last = boundedLastIndex(store);
    if (store.m_wavelength[1] > store.m_wavelength[0]) {
        store.m_increasing = true;
        return false;
    }
    store.m_increasing = false;
    for (int i = 0; i <= last / 2; ++i) {
        std::swap(store.m_wavelength[i], store.m_wavelength[last - i]);
        std::swap(store.m_sensitivity[i], store.m_sensitivity[last - i]);
        std::swap(store.m_irradianceCal[i], store.m_irradianceCal[last - i]);
    }
    return true;
}

void showFullXRange(SpectrumStore& store) {
    store.m_xMin = store.m_wavelength[0];
    store.m_xMax = store.m_wavelength[boundedLastIndex(store)];
}

AxisEffects applyLoadedCalibrationRange(SpectrumStore& store) {
    showFullXRange(store);
    if (store.m_calibrationHeader[0] != 'R') return AxisEffects{.repaint = true};
    store.m_autoY = true;
    store.m_chartBar.autoYChecked = true;
    return showRamanShiftAxis(store);
}

double ramanShift(double laserNm, double wavelengthNm) {
    if (!(laserNm > 0) || !(wavelengthNm > 0)) return 0.0;
    return (1.0 / laserNm - 1.0 / wavelengthNm) * kRamanScale;
}

AxisEffects applyCalibrationShift(SpectrumStore& store, std::string_view shiftText, bool applied) {
    if (applied) {
        const double shift = parseDecimal(shiftText);
        const int last = boundedLastIndex(store);
        for (int i = 0; i <= last; ++i) store.m_wavelength[i] += shift;
    }
    return AxisEffects{.xAutoscale = true};
}

AxisEffects showRamanShiftAxis(SpectrumStore& store) {
    const int last = curveZeroLast(store);
    double lowest = std::numeric_limits<double>::infinity(), highest = -lowest;
    for (int i = 0; i <= last; ++i) {
        const double shift = ramanShift(store.m_laserWavelength, store.m_wavelength[i]);
        store.m_storedX[i] = shift;
        if (!std::isfinite(shift)) continue;
        lowest = std::min(lowest, shift);
        highest = std::max(highest, shift);
    }
    store.m_wavenumberAxis = true;
    // The Raman shifts the instrument measures: the Stokes side, from the
    // laser line (or the first point beyond it) to the last point. Points on
    // the laser's short side hold no Raman shift; an axis without any Stokes
    // point shows all of it.
    if (!(highest > 0)) return AxisEffects{.xAutoscale = true};
    store.m_xMin = std::max(0.0, lowest);
    store.m_xMax = highest;
    return AxisEffects{.yAutoscale = true};
}

AxisEffects showWavelengthAxis(SpectrumStore& store) {
    const int last = curveZeroLast(store);
    for (int i = 0; i <= last; ++i) store.m_storedX[i] = store.m_wavelength[i];
    store.m_wavenumberAxis = false;
    return AxisEffects{.xAutoscale = true, .yAutoscale = true};
}

AxisEffects showVisibleRange(SpectrumStore& store) {
    store.m_xMin = kVisibleLowNm;
    store.m_xMax = kVisibleHighNm;
    return AxisEffects{.repaint = true};
}

}  // namespace halden
