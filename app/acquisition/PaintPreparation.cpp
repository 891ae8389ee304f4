#include "acquisition/PaintPreparation.h"

#include <algorithm>
#include <cstring>

#include "colour/Colorimetry.h"
#include "spectrum/DialogText.h"
#include "spectrum/MeasurementModes.h"
#include "spectrum/StoreCommands.h"
#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

constexpr int kFastLast = 1825;  // highest index of the half-resolution live curve

struct ScanColour {
    int r, g, b;
};
constexpr ScanColour kScanColours[] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {155, 155, 0}};

int boundedRangeLast(const SpectrumStore& s) { return std::clamp<int>(s.m_rangeLast, 0, kPointCapacity - 1); }

// Gives curve 0 a new highest index. The curves after it start right after
// curve 0 in the pool, so they move with it and keep their points. Returns
// the highest index curve 0 now has (the old one when the pool has no room).
int resizeCurve0(SpectrumStore& s, int newLast) {
    const int oldLast = s.m_storedLength[0];
    if (oldLast == newLast) return newLast;
    // Pool points held by the curves after curve 0.
    const long long tail = StoredCurves(s).endOffset() - (oldLast + 1LL);
    if (oldLast < 0 || oldLast >= kStoredPoolSize || tail < 0 || oldLast + 1LL + tail > kStoredPoolSize ||
        newLast + 1LL + tail > kStoredPoolSize)
        return std::clamp(oldLast, -1, kStoredPoolSize - 1);
    if (tail > 0) {
        const std::size_t bytes = static_cast<std::size_t>(tail) * sizeof(double);
        std::memmove(&s.m_storedX[newLast + 1], &s.m_storedX[oldLast + 1], bytes);
        std::memmove(&s.m_storedY[newLast + 1], &s.m_storedY[oldLast + 1], bytes);
    }
    s.m_storedLength[0] = newLast;
    return newLast;
}

void setColour(SpectrumStore& s, int k, ScanColour c) { setStoredCurveColour(s, k, c.r, c.g, c.b); }

}  // namespace

void updateClientSize(SpectrumStore& s, int w, int h) {
    if (w == s.m_clientWidth && h == s.m_clientHeight) return;
    s.m_clientWidth = w;
    s.m_clientHeight = h;
    s.m_marginLeft = static_cast<int>(truncClamp(0.075 * w, -1000000, 1000000));
    s.m_marginRight = static_cast<int>(truncClamp(0.025 * w, -1000000, 1000000));
    s.m_marginTop = s.m_marginRight;
    s.m_marginBottom = static_cast<int>(truncClamp(2 * s.m_chartUnit, -1000000, 1000000));
}

void refreshLiveCurves(SpectrumStore& s) {
    const double* live = s.liveBuffer();
    if (s.m_average) {
        const int wanted = s.m_fast ? kFastLast : boundedRangeLast(s);
        const int last = std::min(resizeCurve0(s, wanted), wanted);
        for (int i = 0; i <= last; ++i) {
            s.m_storedY[i] = live[i];
            if (!s.m_wavenumberAxis) s.m_storedX[i] = s.m_wavelength[s.m_fast ? 2 * i : i];
        }
        setColour(s, 0, kScanColours[0]);
        return;
    }
    // One curve per scan; the list ends after the last scan.
    const int scans = std::clamp<int>(s.m_scans, 1, kBufferRows);
    const int last = boundedRangeLast(s);
    for (int k = 0; k < scans; ++k) {
        const int offset = k * (last + 1);
        const double* row = live + static_cast<std::ptrdiff_t>(k) * kPointCapacity;
        for (int i = 0; i <= last; ++i) {
            s.m_storedY[offset + i] = row[i];
            if (k > 0) s.m_storedX[offset + i] = s.m_storedX[i];
            else if (!s.m_wavenumberAxis) s.m_storedX[i] = s.m_wavelength[i];
        }
        s.m_storedLength[k] = last;
        setColour(s, k, k < 5 ? kScanColours[k] : kScanColours[0]);
    }
    s.m_storedLength[scans] = -1;
}

bool refreshGaussianCurve(SpectrumStore& s) {
    if (!s.m_showGaussian) return false;
    s.m_showGaussian = false;
    // The fitted curve is the last red curve after curve 0.
    long long curveOffset = -1;
    int curveCount = 0;
    for (const StoredCurve& c : StoredCurves(s)) {
        if (c.slot > 0 && c.red == 255 && c.green == 0 && c.blue == 0) {
            curveOffset = c.offset;
            curveCount = c.count();
        }
    }
    if (curveOffset < 0) return false;
    const int count = std::min({curveCount, kGaussCapacity, storedCurve0(s).count()});
    for (int i = 0; i < count; ++i) {
        s.m_storedY[curveOffset + i] = s.m_gaussFit[i];
        s.m_storedX[curveOffset + i] = s.m_storedX[i];
    }
    return true;
}

int maxIntensityIndex(const SpectrumStore& s) {
    const StoredCurve curve0 = storedCurve0(s);
    double best = -10000000.0;
    int index = s.m_markerIndex;
    for (int i = 0; i < curve0.count(); ++i) {
        const double x = curve0.x[i], y = curve0.y[i];
        if (x >= s.m_xMin && x <= s.m_xMax && y > best) {
            best = y;
            index = i;
        }
    }
    return index;
}

PaintFigures preparePaint(SpectrumStore& s, int clientWidth, int clientHeight) {
    PaintFigures figures;
    updateClientSize(s, clientWidth, clientHeight);
    readBoxcarText(s);
    if (s.m_chromaticityView) {
        computeStoreColorimetry(s);
        figures.lumen = lumenFigure(s);
        figures.chromaticityShown = true;
    }
    refreshLiveCurves(s);
    captureBackgroundIfRequested(s);
    refreshGaussianCurve(s);
    if (s.m_autoY) s.m_yMin = s.m_yMax = -1.0;
    if (s.m_showMaxIntensity) s.m_markerIndex = maxIntensityIndex(s);

    if (s.m_irradianceCalibrated) {
        figures.markerIrradianceShown = true;
        figures.markerIrradiance = markerIrradiance(s);
    }
    if (s.m_ratioMode == 3 && s.m_showConcentration) {
        figures.concentrationShown = true;
        figures.concentration = concentrationValue(s);
    }
    figures.energy = energyFigures(s);
    return figures;
}

}  // namespace halden
