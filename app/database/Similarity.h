// Similarity of one database spectrum to the live spectrum (stored curve 0):
// each live interval [xs[i], xs[i+1]) pairs at most one file point, the last
// one inside it, with the live value interpolated there; a file point at
// exactly the live spectrum's last x pairs with its last value. The pairs are
// then scored by the chosen metric (SimilarityMetric.h).
#pragma once

#include <cstdint>
#include <vector>

#include "database/SimilarityMetric.h"

namespace halden {

// Score of a file that pairs no point with the live spectrum (no overlap, or
// no file point inside any live interval), whatever the metric. Files that
// pair at least one point score at least 100 - 100 * sqrt(2) (about -41.4)
// with the score metric and at least -100 with the others; these rank below
// every one of them.
inline constexpr double kNoOverlapScore = -1000.0;

struct CurveView {
    const double* x = nullptr;
    const double* y = nullptr;
    int count = 0;  // number of points
};

// The live spectrum prepared once for comparing many files: the rise
// ys[i+1] - ys[i] and width xs[i+1] - xs[i] of every interval, and whether x
// never falls.
struct LiveIntervals {
    CurveView curve;
    bool ascending = false;
    std::vector<double> rise, width;
};

void prepareLive(const CurveView& live, LiveIntervals& out);

// Working space of similarity(), reused from file to file (one per thread):
// the pairs, s the interpolated live values and d the file's.
struct PairScratch {
    std::vector<double> s, d;
    std::vector<double> x;  // the file's x of each interval's point
    MetricScratch metric;
};

struct Similarity {
    double score = kNoOverlapScore;
    std::int32_t pairs = 0;  // the pairs the score was taken over
};

// The file against the live spectrum: kNoOverlapScore and 0 pairs when
// nothing pairs.
Similarity similarity(const LiveIntervals& live, const CurveView& file, SimilarityOptions options,
                      PairScratch& scratch);
Similarity similarity(const CurveView& live, const CurveView& file, SimilarityOptions options, PairScratch& scratch);

}  // namespace halden
