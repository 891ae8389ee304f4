// The sums over all points that the Gaussian fit repeats hundreds of times:
// the sum of squared residuals of the model, and the normal equations of its
// least-squares problem. Both run in lanes of eight doubles with an
// exponential of their own (a polynomial, within one unit in the last place
// of std::exp), so every run-time CPU path gives the same bits.
#pragma once

#include "spectrum/GaussianFit.h"

namespace halden {

// Sum over i = 0..n-1 of (y[i] - F(x[i]))^2.
double gaussSquaredResiduals(const GaussParams& p, const double* x, const double* y, int n);

// J^T J and J^T r of the model at p over the n points (x[i], y[i]), with
// r = y - F and the parameters in the order amplitude, center, width, offset;
// and the sum of squared residuals. One pass, one exponential per point.
struct GaussNormalEquations {
    double jtj[4][4] = {};
    double jtr[4] = {};
    double sumOfSquares = 0;
};
GaussNormalEquations gaussNormalEquations(const GaussParams& p, const double* x, const double* y, int n);

// exp(-t) as the sums compute it, for tests: t beyond about 708 (where
// exp(-t) leaves the normal doubles) gives 0, NaN gives NaN.
double gaussExpNegative(double t);

}  // namespace halden
