// Least-squares finish of the Gaussian fit: damped Gauss-Newton
// (Levenberg-Marquardt) steps on the four parameters from a point the
// coordinate search reached, and the parameters' standard errors at the
// optimum. Plain data in and out; the model is the one of GaussianFit.h.
#pragma once

#include "spectrum/GaussianFit.h"
#include "spectrum/GaussSums.h"

namespace halden {

inline constexpr int kGaussMaxRefinements = 50;  // accepted steps at most

struct GaussRefinement {
    GaussParams params;
    double sumOfSquares = 0;
    int steps = 0;  // accepted steps; 0 when no step improved on the start
};

// Levenberg-Marquardt from `start` (whose sum of squared residuals is
// startSum). A step is taken only when it lowers the sum and keeps the
// amplitude >= 0, the width > 0 and the centre between centerLow and
// centerHigh; otherwise the damping grows, and when no damping helps the
// refinement ends where it is. The result is never worse than the start.
GaussRefinement refineGaussian(const GaussParams& start, double startSum, const double* x, const double* y, int n,
                               double centerLow, double centerHigh);

// Standard errors of amplitude, center, width and offset at p: the square
// roots of the diagonal of s^2 (J^T J)^-1 with s^2 = sumOfSquares / (n - 4).
// A parameter the data do not determine (a flat spectrum leaves centre and
// width free) gets +infinity.
GaussParams gaussStandardErrors(const GaussParams& p, double sumOfSquares, const double* x, const double* y, int n);

}  // namespace halden
