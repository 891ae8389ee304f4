// The four metrics on the pairs of one file (s the live values, d the
// file's), with the optional normalisation. Every result has the same bits
// on every CPU path.
#pragma once

#include <cstddef>
#include <vector>

#include "database/SimilarityMetric.h"

namespace halden {

// The metric of n >= 1 pairs.
//
// score: 100 - 100 * A / B with A = sum|s - d| and B = sum sqrt(s^2 + d^2)
// (r = A when B = 0). With normalize it is computed as s times the largest d
// against d times the largest s, the same ratio without two divisions per
// pair; largest values far from 1 in magnitude, and sums that come out
// non-finite or tiny, take the divided form.
//
// hqi, pearson and derivative do not change when a side is scaled by a
// positive number, so normalisation changes them only through the sign of
// the largest values (a side whose largest value is negative changes sign).
// Each is 0 where it is undefined: no spread in s or d (a flat or zero
// spectrum), fewer than 2 pairs (pearson) or fewer than
// kDerivativeWindow pairs (derivative).
double pairMetric(const double* s, const double* d, std::size_t n, SimilarityOptions options,
                  MetricScratch& scratch);

// The derivative's Savitzky-Golay window: 21 pairs, a quadratic fitted to them.
inline constexpr std::size_t kDerivativeWindow = 21;

// The first derivative over the pair index of y[0 .. n-1] (n >=
// kDerivativeWindow) into out, times 770 (the sum of k^2 over the window):
// sum k * y[i+k] for k = -10..10 where the window fits (for long runs moved
// on from centre to centre by running sums, which agree with the full sums
// to rounding), and at each end the derivative of the quadratic fitted to
// the first or last 21 values. stretches is working space.
void savitzkyGolayDerivative(const double* y, std::size_t n, double* out, std::vector<double>& stretches);

}  // namespace halden
