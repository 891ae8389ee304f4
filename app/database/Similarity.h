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

// Pairs found for one file: s the interpolated live values, d the file's.
// While pairing, s holds the interval's start value and num / den the rest of
// the interpolation (s + num / den), finished in one vector pass.
struct PairScratch {
    std::vector<double> s, d;
    std::vector<double> num, den;
};

// Fills scratch with the pairs of file against live (ascending x in both).
void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch);

// The score of the pairs; normalize divides every s by the largest s and
// every d by the largest d first (a largest value of exactly 0 leaves them).
double scorePairs(PairScratch& pairs, bool normalize);

// pairWithLive then scorePairs; kNoOverlapScore when nothing pairs.
double similarityScore(const CurveView& live, const CurveView& file, bool normalize, PairScratch& scratch);

}  // namespace halden
