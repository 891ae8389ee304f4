// Similarity of one database spectrum to the live spectrum (stored curve 0):
// each live interval [xs[i], xs[i+1]) pairs at most one file point, its last
// point inside, with the live value interpolated there; the score is
// 100 - 100 * sum|s - d| / sum sqrt(s^2 + d^2), 100 for identical shapes.
#pragma once

#include <vector>

namespace halden {

// Score of a file that pairs no point with the live spectrum (no overlap, or
// no file point inside any live interval). Files that pair at least one point
// score between 100 - 100 * sqrt(2) (about -41.4) and 100, since
// |s - d| <= sqrt(2) * sqrt(s^2 + d^2); these rank below every one of them.
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

// Working space of similarityScore, reused from file to file (one per
// thread): the pairs, s the interpolated live values and d the file's.
struct PairScratch {
    std::vector<double> s, d;
    std::vector<double> x;  // the file's x of each interval's point
};

// The score of file against live, kNoOverlapScore when nothing pairs;
// normalize divides every s by the largest s and every d by the largest d
// first (a largest value of exactly 0 leaves them).
double similarityScore(const LiveIntervals& live, const CurveView& file, bool normalize, PairScratch& scratch);
double similarityScore(const CurveView& live, const CurveView& file, bool normalize, PairScratch& scratch);

}  // namespace halden
