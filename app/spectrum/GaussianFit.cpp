#include "spectrum/GaussianFit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "spectrum/GaussLeastSquares.h"
#include "spectrum/GaussSums.h"

namespace halden {

namespace {

// exp(-t) is exactly 0 in double arithmetic for t beyond this, so the term
// is a * 0 + b there (the same value, NaN included) without the exponential.
constexpr double kExpUnderflow = 746.0;

inline double modelTerm(double a, double c, double q2, double b, double x) {
    const double d = x - c;
    const double t = d * d / q2;
    if (t > kExpUnderflow) return a * 0.0 + b;
    return a * std::exp(-t) + b;
}

enum class Param { Center, Width, Amplitude, Offset };

double& field(GaussParams& p, Param which) {
    switch (which) {
    case Param::Center: return p.center;
    case Param::Width: return p.width;
    case Param::Amplitude: return p.amplitude;
    case Param::Offset: break;
    }
    return p.offset;
}

struct Search {
    const double* x;
    const double* y;
    int n;
    GaussParams p;
    double lastX;      // x_n, the centre's upper bound
    double widthStop;  // |trunc(x_1 - x_n)|, the width step's upper bound

    double errorAt(Param which, double value) const {
        GaussParams q = p;
        field(q, which) = value;
        return gaussError(q, x, y, n);
    }

    // True when stepping up by s would leave the parameter's range.
    bool upperReached(Param which, double value, double s) const {
        return which == Param::Center && value + s >= lastX;
    }
    bool lowerReached(Param which, double value, double s) const {
        switch (which) {
        case Param::Center:
        case Param::Width:
        case Param::Amplitude: return value - s <= 0;
        case Param::Offset: break;
        }
        return false;
    }

    void lineSearch(Param which, double& s) {
        double& value = field(p, which);
        // Width and amplitude stay non-negative: shrink the step until the
        // lower trial point is inside the range (s == 0 ends it as well).
        if (which == Param::Width || which == Param::Amplitude)
            while (value - s < 0 && s != 0) s /= 2;

        double below = errorAt(which, value - s);
        const double here = gaussError(p, x, y, n);
        double above = errorAt(which, value + s);
        while (here < below && here < above) {
            s /= 2;
            below = errorAt(which, value - s);
            above = errorAt(which, value + s);
        }

        if (above <= below) {
            while (above < here) {
                bool reached;
                if (which == Param::Width) {
                    reached = s >= widthStop;  // tested before doubling
                    s *= 2;
                } else {
                    s *= 2;
                    reached = upperReached(which, value, s);
                }
                if (reached) {
                    s /= 2;
                    break;
                }
                above = errorAt(which, value + s);
            }
            s /= 2;
            value += s;
        } else {
            while (below < here) {
                s *= 2;
                if (lowerReached(which, value, s)) {
                    s /= 2;
                    break;
                }
                below = errorAt(which, value - s);
            }
            s /= 2;
            value -= s;
        }
    }
};

}  // namespace

double gaussModel(const GaussParams& p, double x) {
    const double q = p.width / 4;
    return modelTerm(p.amplitude, p.center, q * q, p.offset, x);
}

double gaussFwhm(double width) { return width * std::sqrt(std::log(2.0)) / 2; }

double gaussError(const GaussParams& p, const double* x, const double* y, int n) {
    return gaussSquaredResiduals(p, x, y, n);
}

GaussStart gaussStartingValues(const double* x, const double* y, int n) {
    const int h = kGaussSmoothHalfWidth;
    GaussStart start;
    if (n < kGaussMinPoints) return start;

    // Shift by the first value, then replace the inner range by a running
    // mean of the unshifted data (so the inner range is not shifted).
    const double first = y[0];
    std::vector<double> work(y, y + n);
    for (double& v : work) v -= first;
    for (int i = h; i <= n - h - 1; ++i) {
        double sum = 0;
        for (int k = i - h; k <= i + h; ++k) sum += y[k];
        work[i] = sum / (2 * h + 1);
    }

    GaussParams& p = start.params;
    p.amplitude = y[0];
    p.offset = (work[h] + work[n - h]) / 2;
    p.width = 2 * h + 1;
    for (int i = h; i <= n - h - 1; ++i) {
        if (work[i] > p.amplitude) {
            p.amplitude = work[i];
            start.peakIndex = i;
        }
    }
    p.center = x[start.peakIndex];
    p.amplitude = std::fabs(std::trunc(p.amplitude - p.offset));
    p.offset += first;
    return start;
}

GaussFitResult fitGaussian(const double* x, const double* y, int n, double* curve) {
    GaussFitResult result;
    if (n < kGaussMinPoints) return result;

    result.start = gaussStartingValues(x, y, n).params;
    Search search{x, y, n, result.start, x[n], std::fabs(std::trunc(x[1] - x[n]))};
    if (curve)
        for (int i = 0; i < n; ++i) curve[i] = gaussModel(search.p, x[i]);

    double stepCenter = x[2] - x[1];
    double stepAmplitude = search.p.amplitude / 100;
    double stepOffset = stepAmplitude;
    double stepWidth = 1.0;

    // Sweeps go on while they still lower the sum of squared residuals by a
    // fair share of where it started; the fine work is left to Gauss-Newton.
    double sum = gaussError(search.p, x, y, n);
    const double startSum = sum;
    int sweeps = 0;
    for (;;) {
        search.lineSearch(Param::Center, stepCenter);
        search.lineSearch(Param::Width, stepWidth);
        search.lineSearch(Param::Amplitude, stepAmplitude);
        search.lineSearch(Param::Offset, stepOffset);
        ++sweeps;

        const double previous = sum;
        sum = gaussError(search.p, x, y, n);
        if (curve)
            for (int i = 0; i <= n; ++i) curve[i] = gaussModel(search.p, x[i]);
        const bool improving = previous - sum > kGaussSweepGain * startSum;
        if (sweeps >= kGaussMaxSweeps || (sweeps >= kGaussMinSweeps && !improving)) break;
    }
    result.sweeps = sweeps;

    const GaussRefinement refined = refineGaussian(search.p, sum, x, y, n, std::min(x[0], x[n]), std::max(x[0], x[n]));
    result.params = refined.params;
    result.refinements = refined.steps;
    result.standardError = gaussStandardErrors(result.params, refined.sumOfSquares, x, y, n);
    result.residualRms = std::sqrt(refined.sumOfSquares / n);
    if (curve && refined.steps > 0)
        for (int i = 0; i <= n; ++i) curve[i] = gaussModel(result.params, x[i]);
    return result;
}

}  // namespace halden
