// Fit of one Gaussian peak on a constant offset,
//   F(x) = a * exp(-(x - c)^2 / (w / 4)^2) + b,
// by a derivative-free coordinate search: each parameter in turn (c, w, a, b)
// is moved by its own step, halved while the current value is best and
// doubled while moving improves the sum of squared residuals. The search runs
// until its sweeps stop improving that sum; damped Gauss-Newton steps
// (GaussLeastSquares.h) then carry the result to the least-squares optimum.
// Plain data in and out, no threads: the fit worker, the CLI and the
// benchmarks call it.
#pragma once

namespace halden {

struct GaussParams {
    double amplitude = 0;  // a
    double center = 0;     // c, in the units of the x axis
    double width = 0;      // w: the curve falls to e^-4 of its height at c +/- w/2
    double offset = 0;     // b
};

inline constexpr int kGaussSmoothHalfWidth = 10;  // 21-point running mean
inline constexpr int kGaussMaxSweeps = 100;
inline constexpr int kGaussMinSweeps = 4;
// The search ends once a sweep lowers the sum of squared residuals by less
// than this fraction of the sum at the starting values (after
// kGaussMinSweeps, at most kGaussMaxSweeps): it has then found the peak, and
// Gauss-Newton steps finish the work far faster than more sweeps would.
inline constexpr double kGaussSweepGain = 0.001;
// Fewest measured points the fit accepts: the starting-value search needs
// one full smoothing window.
inline constexpr int kGaussMinPoints = 2 * kGaussSmoothHalfWidth + 1;

// The model at one x.
double gaussModel(const GaussParams& p, double x);

// Full width at half maximum of the model's peak: w * sqrt(ln 2) / 2.
double gaussFwhm(double width);

// Sum over i = 0..n-1 of (y[i] - F(x[i]))^2.
double gaussError(const GaussParams& p, const double* x, const double* y, int n);

struct GaussStart {
    GaussParams params;
    int peakIndex = 1;  // point the centre starts at
};

// Starting values from n measured values y[0..n-1] and n + 1 x values
// x[0..n]: offset from the smoothed ends, centre at the largest smoothed
// value inside [h, n-h-1], amplitude the integer height above the offset.
// Needs n >= kGaussMinPoints.
GaussStart gaussStartingValues(const double* x, const double* y, int n);

struct GaussFitResult {
    GaussParams params;
    GaussParams start;
    // Standard errors of the four parameters at the result, from the Jacobian
    // and the residual variance; +infinity where the data do not determine one.
    GaussParams standardError;
    double residualRms = 0;  // sqrt(sum of squared residuals / n)
    int sweeps = 0;          // search sweeps performed, 4..100
    int refinements = 0;     // Gauss-Newton steps taken after the search
};

// Fits y[0..n-1] over x[0..n] (n + 1 x values: the model curve is also
// evaluated at x[n]). When curve is not null it receives the starting curve
// F(x[0..n-1]) first, then F(x[0..n]) after every sweep and, at the end, for
// the result; it must hold n + 1 values. Needs n >= kGaussMinPoints (the
// result is all zeros and sweeps 0 otherwise).
GaussFitResult fitGaussian(const double* x, const double* y, int n, double* curve = nullptr);

}  // namespace halden
