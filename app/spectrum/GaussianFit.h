// Fit of one Gaussian peak on a constant offset,
//   F(x) = a * exp(-(x - c)^2 / (w / 4)^2) + b,
// by a derivative-free coordinate search: each parameter in turn (c, w, a, b)
// is moved by its own step, halved while the current value is best and
// doubled while moving improves the sum of squared residuals. Plain data in
// and out, no threads: the fit worker, the CLI and the benchmarks call it.
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
// Fewest measured points the fit accepts: the starting-value search needs
// one full smoothing window.
inline constexpr int kGaussMinPoints = 2 * kGaussSmoothHalfWidth + 1;

// The model at one x.
double gaussModel(const GaussParams& p, double x);

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
    int sweeps = 0;  // sweeps performed, 4..100
};

// Fits y[0..n-1] over x[0..n] (n + 1 x values: the model curve is also
// evaluated at x[n]). When curve is not null it receives the starting curve
// F(x[0..n-1]) first and then, after every sweep, F(x[0..n]); it must hold
// n + 1 values. Needs n >= kGaussMinPoints (the result is all zeros and
// sweeps 0 otherwise).
GaussFitResult fitGaussian(const double* x, const double* y, int n, double* curve = nullptr);

}  // namespace halden
