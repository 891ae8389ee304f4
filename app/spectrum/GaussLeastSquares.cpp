#include "spectrum/GaussLeastSquares.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace halden {

namespace {

constexpr double kFirstDamping = 1e-3;
constexpr double kLeastDamping = 1e-9;
constexpr int kDampingRaises = 8;  // tries per step: damping up to 1e5 times the current
// A step that gains less than this fraction of the sum ends the refinement:
// the parameters then sit a small fraction of a standard error from the optimum.
constexpr double kConvergedGain = 1e-11;
// A sum of squares this small against the data's own is an exact fit.
constexpr double kExactFit = 1e-24;

// Works on the equations scaled to a unit diagonal, C = D^-1 A D^-1 with
// D = sqrt(diag A), which keeps amplitude (counts) and centre (nm) on one
// footing. A parameter the data do not move (a zero column) is held: its row
// becomes the identity and its right-hand side 0.
struct ScaledSystem {
    double c[4][4] = {};
    double scale[4] = {};  // D, 0 for a held parameter
};

ScaledSystem scaledSystem(const GaussNormalEquations& ne) {
    ScaledSystem s;
    for (int j = 0; j < 4; ++j) {
        const double d = std::sqrt(ne.jtj[j][j]);
        s.scale[j] = (d > 0 && std::isfinite(d)) ? d : 0;
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            if (s.scale[i] == 0 || s.scale[j] == 0)
                s.c[i][j] = i == j ? 1 : 0;
            else
                s.c[i][j] = ne.jtj[i][j] / (s.scale[i] * s.scale[j]);
        }
    return s;
}

// Cholesky factor L (lower) of m in place; false when m is not safely
// positive definite. The diagonal is about 1, so a fixed pivot floor works.
bool cholesky(double m[4][4]) {
    for (int j = 0; j < 4; ++j) {
        double diag = m[j][j];
        for (int k = 0; k < j; ++k) diag -= m[j][k] * m[j][k];
        if (!(diag > 1e-14)) return false;
        m[j][j] = std::sqrt(diag);
        for (int i = j + 1; i < 4; ++i) {
            double v = m[i][j];
            for (int k = 0; k < j; ++k) v -= m[i][k] * m[j][k];
            m[i][j] = v / m[j][j];
        }
    }
    return true;
}

// Solves L L^T z = b for a factor from cholesky().
void choleskySolve(const double l[4][4], double z[4]) {
    for (int i = 0; i < 4; ++i) {
        for (int k = 0; k < i; ++k) z[i] -= l[i][k] * z[k];
        z[i] /= l[i][i];
    }
    for (int i = 3; i >= 0; --i) {
        for (int k = i + 1; k < 4; ++k) z[i] -= l[k][i] * z[k];
        z[i] /= l[i][i];
    }
}

// The damped step (A + lambda diag A) delta = J^T r, in parameter units.
bool dampedStep(const ScaledSystem& s, const GaussNormalEquations& ne, double lambda, double delta[4]) {
    double m[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = s.c[i][j] + (i == j ? lambda : 0);
    if (!cholesky(m)) return false;
    for (int j = 0; j < 4; ++j) delta[j] = s.scale[j] == 0 ? 0 : ne.jtr[j] / s.scale[j];
    choleskySolve(m, delta);
    for (int j = 0; j < 4; ++j) {
        delta[j] = s.scale[j] == 0 ? 0 : delta[j] / s.scale[j];
        if (!std::isfinite(delta[j])) return false;
    }
    return true;
}

GaussParams stepped(const GaussParams& p, const double delta[4]) {
    return {p.amplitude + delta[0], p.center + delta[1], p.width + delta[2], p.offset + delta[3]};
}

bool admissible(const GaussParams& p, double centerLow, double centerHigh) {
    return std::isfinite(p.amplitude) && std::isfinite(p.offset) && p.amplitude >= 0 && p.width > 0 &&
           std::isfinite(p.width) && p.center >= centerLow && p.center <= centerHigh;
}

}  // namespace

GaussRefinement refineGaussian(const GaussParams& start, double startSum, const double* x, const double* y, int n,
                               double centerLow, double centerHigh) {
    GaussRefinement out{start, startSum, 0};
    if (!admissible(start, centerLow, centerHigh)) return out;
    double dataSquares = 0;
    for (int i = 0; i < n; ++i) dataSquares += y[i] * y[i];

    double lambda = kFirstDamping;
    while (out.steps < kGaussMaxRefinements) {
        // Nothing left to gain (an exact fit), or nothing sound to work on.
        if (!(out.sumOfSquares > kExactFit * dataSquares) || !std::isfinite(out.sumOfSquares)) break;
        const GaussNormalEquations ne = gaussNormalEquations(out.params, x, y, n);
        const ScaledSystem s = scaledSystem(ne);

        bool improved = false;
        GaussParams trial;
        double trialSum = 0;
        for (int tries = 0; tries <= kDampingRaises && !improved; ++tries, lambda *= 10) {
            double delta[4];
            if (!dampedStep(s, ne, lambda, delta)) continue;
            trial = stepped(out.params, delta);
            if (!admissible(trial, centerLow, centerHigh)) continue;
            trialSum = gaussError(trial, x, y, n);
            improved = trialSum < out.sumOfSquares;
            if (improved) break;
        }
        if (!improved) break;  // no step helps: this is as good as it gets

        const double gain = out.sumOfSquares - trialSum;
        out.params = trial;
        out.sumOfSquares = trialSum;
        ++out.steps;
        lambda = std::max(lambda / 10, kLeastDamping);
        if (gain <= kConvergedGain * trialSum) break;
    }
    return out;
}

GaussParams gaussStandardErrors(const GaussParams& p, double sumOfSquares, const double* x, const double* y, int n) {
    constexpr double kUnknown = std::numeric_limits<double>::infinity();
    GaussParams se{kUnknown, kUnknown, kUnknown, kUnknown};
    if (n <= 4 || !std::isfinite(sumOfSquares)) return se;
    const GaussNormalEquations ne = gaussNormalEquations(p, x, y, n);
    const ScaledSystem s = scaledSystem(ne);
    double l[4][4];
    std::copy(&s.c[0][0], &s.c[0][0] + 16, &l[0][0]);
    if (!cholesky(l)) return se;

    const double variance = sumOfSquares / (n - 4);
    double out[4];
    for (int j = 0; j < 4; ++j) {
        if (s.scale[j] == 0) {
            out[j] = kUnknown;
            continue;
        }
        // Column j of C^-1; its j-th entry is (C^-1)_jj.
        double e[4] = {0, 0, 0, 0};
        e[j] = 1;
        choleskySolve(l, e);
        out[j] = std::sqrt(variance * e[j]) / s.scale[j];
    }
    se = {out[0], out[1], out[2], out[3]};
    return se;
}

}  // namespace halden
