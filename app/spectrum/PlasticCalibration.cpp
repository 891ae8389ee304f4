#include "spectrum/PlasticCalibration.h"

#include <cmath>

#include "common/Messages.h"
#include "common/Prompt.h"
#include "spectrum/DialogText.h"

namespace halden {

namespace {

std::string bandText(double value) {
    // Window bounds are whole numbers, band shifts have one decimal.
    return value == std::trunc(value) ? formatFixed(value, 0) : formatFixed(value, 1);
}

std::string missingBandText(const PlasticBand& band) {
    return "Plastic calibration is not possible: no peak was found between " + bandText(band.low) +
           " and " + bandText(band.high) + " 1/cm (polystyrene band " + bandText(band.shift) +
           " 1/cm). Measure the Raman spectrum of polystyrene with the x-scale in 1/cm and try "
           "again. The calibration was not changed.";
}

bool finite(const Quadratic& q) {
    return std::isfinite(q.a) && std::isfinite(q.b) && std::isfinite(q.c);
}

}  // namespace

const PlasticBandSet& chooseBandSet(double lastX) {
    return lastX < kLongBandSetFrom ? kShortBandSet : kLongBandSet;
}

double expectedBandWavelength(double laserNm, double shift) {
    return kRamanScale / (kRamanScale / laserNm - shift);
}

BandPeaks findBandPeaks(const double* x, const double* y, int last, const PlasticBandSet& bands) {
    BandPeaks peaks;
    for (int i = 0; i <= last; ++i) {
        for (int k = 0; k < 3; ++k) {
            if (!(x[i] >= bands[k].low && x[i] <= bands[k].high)) continue;  // NaN is outside
            if (y[i] > peaks.value[k]) {
                peaks.value[k] = y[i];
                peaks.index[k] = i;
            }
        }
    }
    return peaks;
}

Quadratic fitQuadraticThroughThreePoints(const std::array<double, 3>& x, const std::array<double, 3>& y) {
    const double x1 = x[0], x2 = x[1], x3 = x[2];
    const double y1 = y[0], y2 = y[1], y3 = y[2];
    Quadratic q;
    q.b = ((x3 * x3 - x2 * x2) * y1 + (x1 * x1 - x3 * x3) * y2 + (x2 * x2 - x1 * x1) * y3) /
          (x1 * x2 * (x1 - x2) + x2 * x3 * (x2 - x3) + x1 * x3 * (x3 - x1));
    q.c = ((y2 - y1) + (x1 - x2) * q.b) / (x2 * x2 - x1 * x1);
    q.a = y1 - q.b * x1 - q.c * x1 * x1;
    return q;
}

PlasticFit computePlasticCalibration(const SpectrumStore& store) {
    PlasticFit result;
    const int last = boundedLastIndex(store);
    result.bands = &chooseBandSet(store.m_storedX[last]);
    const PlasticBandSet& bands = *result.bands;
    result.peaks = findBandPeaks(store.m_storedX.data(), store.liveBuffer(), last, bands);
    for (int k = 0; k < 3; ++k) {
        if (result.peaks.index[k] < 0) {
            result.refusal = missingBandText(bands[k]);
            return result;
        }
    }
    std::array<double, 3> px{};
    for (int k = 0; k < 3; ++k) {
        px[k] = result.peaks.index[k];
        result.expected[k] = expectedBandWavelength(store.m_laserWavelength, bands[k].shift);
        if (!(result.expected[k] > 0) || !std::isfinite(result.expected[k])) {
            result.refusal = "Plastic calibration is not possible: the laser wavelength (" +
                             formatFixed(store.m_laserWavelength, 3) +
                             " nm) is not valid. The calibration was not changed.";
            return result;
        }
    }
    result.fit = fitQuadraticThroughThreePoints(px, result.expected);
    if (!finite(result.fit))
        result.refusal = "Plastic calibration is not possible: the three peaks do not define a "
                         "calibration. The calibration was not changed.";
    return result;
}

void writeFittedWavelengths(SpectrumStore& store, const Quadratic& fit) {
    const int last = boundedLastIndex(store);
    for (int i = 0; i <= last; ++i)
        store.m_wavelength[i] = polynomialWavelength(fit.a, fit.b, fit.c, i);
}

PlasticCalibrationResult plasticCalibration(SpectrumStore& store, Prompt& prompt) {
    PlasticCalibrationResult result;
    result.fit = computePlasticCalibration(store);
    if (!result.fit.ok()) {
        prompt.showMessage(result.fit.refusal, messages::kCaptionError);
        return result;
    }

    AxisEffects& fx = result.effects;
    if (store.m_chartBar.runChecked || store.m_running) {
        store.m_chartBar.runChecked = false;
        store.m_running = false;
        fx.acquisitionStopped = true;
        if (store.m_periodicSave) {
            store.m_periodicSave = false;
            store.m_saveCounter = 0;
            fx.stopSaveTimer = true;
        }
    }
    writeFittedWavelengths(store, result.fit.fit);
    const AxisEffects axis = showRamanShiftAxis(store);
    fx.xAutoscale = axis.xAutoscale;
    fx.yAutoscale = axis.yAutoscale;
    fx.writeCalibrationToFlash = true;
    result.applied = true;
    return result;
}

}  // namespace halden
