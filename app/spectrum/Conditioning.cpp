#include "spectrum/Conditioning.h"

#include <algorithm>
#include <cmath>

namespace halden {

namespace {

constexpr int kLeftDarkFirst = 15, kLeftDarkLast = 31;     // 17 pixels
constexpr int kRightDarkFirst = 3686, kRightDarkLast = 3692;  // 7 pixels
constexpr double kNormalisedCap = 64000.0;
constexpr int kMaxBoxcarHalfWidth = 255;

double darkMean(const double* row, int first, int last) {
    double sum = 0;
    for (int p = first; p <= last; ++p) sum += row[p];
    return std::trunc(sum / (last - first + 1));  // integer division toward zero
}

// Dark-corrected value of pixel p, or 0 for a pixel outside the weight table.
inline double corrected(const double* row, const DarkWeights& weights, int p, double left,
                        double slope) {
    if (p < 0 || p >= kDarkWeightCount) return 0.0;
    return row[p] - slope * weights.w[p] - left;
}

}  // namespace

void fillDarkWeights(DarkWeights& weights) {
    for (int p = 0; p < kDarkWeightCount; ++p) {
        const double s = (p + 100) * 0.0022;
        weights.w[p] = 1.0 - 1.0 / (s * s + 1.0);
    }
}

int conditionedLastPoint(const ConditioningParams& params) {
    const int rangeLast = std::min<int>(params.rangeLast, kPointCapacity - 1);
    if (params.rangeFirst > rangeLast) return -1;
    const int n = rangeLast - params.rangeFirst;
    return params.fast ? n / 2 : n;
}

void conditionSpectrum(const ConditioningParams& params, const DarkWeights& weights,
                       ConditionScratch& scratch, double* row) {
    // Point range, limited to the per-point arrays.
    const int rangeFirst = params.rangeFirst;
    const int rangeLast = std::min<int>(params.rangeLast, kPointCapacity - 1);
    scratch.lastPoint = -1;
    if (rangeFirst > rangeLast) return;
    int n = rangeLast - rangeFirst;  // highest point index N

    // Pixel window of the detector for that range.
    const int sensorFirst = params.sensorFirst, sensorLast = params.sensorLast;
    if (params.increasing) {
        scratch.start = rangeFirst + sensorFirst;
        scratch.end = rangeLast + sensorFirst;
    } else {
        scratch.start = (sensorLast - sensorFirst) - rangeLast + sensorFirst;
        scratch.end = (sensorLast - sensorFirst) - rangeFirst + sensorFirst;
    }

    // 1. Dark level from the reference pixels at both ends.
    double left = darkMean(row, kLeftDarkFirst, kLeftDarkLast);
    double slope = darkMean(row, kRightDarkFirst, kRightDarkLast) - left;
    if (!params.applyNorm) {
        slope = 0;
        left = 0;
    }
    scratch.left = left;
    scratch.slope = slope;

    // 3. Dark correction and detector order -> point order.
    if (!params.testMode) {
        if (params.increasing) {
            for (int i = 0; i <= n; ++i) {
                const int p = scratch.start + i;
                scratch.temp[i] = corrected(row, weights, p, left, slope);
            }
        } else {
            for (int i = 0; i <= n; ++i) {
                const int p = scratch.end - i;
                scratch.temp[i] = corrected(row, weights, p, left, slope);
            }
        }
        std::copy(scratch.temp.begin(), scratch.temp.begin() + n + 1, row);
    }

    // 4. Sensitivity, capped.
    if (params.applyNorm && params.sensitivity) {
        const double* sens = params.sensitivity->data() + rangeFirst;
        for (int i = 0; i <= n; ++i) {
            double v = row[i] / sens[i];
            if (v > kNormalisedCap) v = kNormalisedCap;  // also +inf
            else if (!std::isfinite(v)) v = 0.0;  // NaN or -inf from a zero sensitivity
            row[i] = v;
        }
    }

    // 5. Smoothing.
    if (params.boxcar != 0) boxcarSmooth(row, 0, n, params.boxcar);

    // Half resolution: point i is point 2i, with its own wavelength and
    // calibration; the boxcar above is the way to average neighbours first.
    if (params.fast) {
        n /= 2;
        for (int i = 1; i <= n; ++i) row[i] = row[2 * i];
    }
    scratch.lastPoint = n;

    // 6. Background, then the ratio against the reference.
    const bool subtract = params.subtractBackground && params.background;
    const int mode = params.reference ? params.ratioMode : 0;
    if (subtract || mode == 1 || mode == 2 || mode == 3) {
        const double* background = subtract ? params.background->data() + rangeFirst : nullptr;
        const double* reference = mode != 0 ? params.reference->data() + rangeFirst : nullptr;
        for (int i = 0; i <= n; ++i) {
            double v = row[i];
            if (subtract) v -= background[i];
            switch (mode) {
            case 1:  // R(%)
                v = reference[i] == 0 ? -1.0 : v / reference[i] * 100.0;
                break;
            case 2:  // T(%)
                v = reference[i] == 0 ? -1.0 : v * 100.0 / reference[i];
                break;
            case 3:  // ABS
                v = (reference[i] <= 0 || v <= 0) ? 0.0 : 2.0 - std::log10(v * 100.0 / reference[i]);
                break;
            default:
                break;
            }
            row[i] = v;
        }
    }

    // 7. Natural logarithm.
    if (params.logScale) {
        for (int i = 0; i <= n; ++i) row[i] = row[i] > 0 ? std::log(row[i]) : 0.0;
    }
}

void boxcarSmooth(double* y, int first, int last, int halfWidth) {
    if (halfWidth < 1 || last <= first) return;
    const int count = last - first + 1;
    // A window wider than the array covers the whole array either way.
    const int h = std::min({halfWidth, count - 1, kMaxBoxcarHalfWidth});

    // Running sum over the unsmoothed values of the window [lo, hi]. Values
    // already overwritten but still needed are kept in a ring of h + 1.
    double ring[kMaxBoxcarHalfWidth + 1];
    int writeSlot = 0, readSlot = 0;
    double sum = 0;
    int hi = std::min(last, first + h);
    for (int k = first; k <= hi; ++k) sum += y[k];
    int lo = first;

    // One step: y[j] becomes the mean, the window moves to j + 1.
    auto step = [&](int j) {
        const double mean = sum / (hi - lo + 1);
        ring[writeSlot] = y[j];
        if (++writeSlot > h) writeSlot = 0;
        y[j] = mean;
        double delta = 0;
        if (j + 1 + h <= last) delta += y[++hi];  // not yet overwritten
        if (j + 1 - h > first) {
            delta -= ring[readSlot];
            if (++readSlot > h) readSlot = 0;
            ++lo;
        }
        sum += delta;
    };

    // Left edge, then the middle where the window is always 2h + 1 wide and
    // never cut, then the right edge.
    const int middleFirst = first + h, middleLast = last - h - 1;
    int j = first;
    for (; j < middleFirst && j <= last; ++j) step(j);
    if (j <= middleLast) {
        const double width = 2 * h + 1;
        for (; j <= middleLast; ++j) {
            ring[writeSlot] = y[j];
            y[j] = sum / width;
            const double delta = y[j + h + 1] - ring[readSlot];
            if (++writeSlot > h) writeSlot = 0;
            if (++readSlot > h) readSlot = 0;
            sum += delta;
        }
        lo = j - h;
        hi = j + h;
    }
    for (; j <= last; ++j) step(j);
}

}  // namespace halden
