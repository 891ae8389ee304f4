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
// never falls (which allows the merge walk).
struct LiveIntervals {
    CurveView curve;
    bool ascending = false;
    std::vector<double> rise, width;
};

void prepareLive(const CurveView& live, LiveIntervals& out);

// Pairs found for one file by pairWithLive: s the interpolated live values,
// d the file's. similarityScore only uses it as working space (reused from
// file to file; one per thread). (num and den are no longer used by the
// pairing; they stay for callers that still name them.)
struct PairScratch {
    std::vector<double> s, d;
    std::vector<double> num, den;
};

// Fills scratch with the finished pairs of file against live.
void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch);

// The score of finished pairs; normalize divides every s by the largest s
// and every d by the largest d first (a largest value of exactly 0 leaves
// them). That is computed as s times the largest d against d times the
// largest s, the same ratio without divisions; largest values far from 1 in
// magnitude, and sums that come out non-finite or tiny, take the divided form.
double scorePairs(PairScratch& pairs, bool normalize);

// Pairing and score in one go; kNoOverlapScore when nothing pairs. Gives the
// same bits as pairWithLive followed by scorePairs. upcoming, the file to be
// scored next, is only read ahead into cache.
double similarityScore(const LiveIntervals& live, const CurveView& file, bool normalize, PairScratch& scratch,
                       const CurveView& upcoming = {});
double similarityScore(const CurveView& live, const CurveView& file, bool normalize, PairScratch& scratch);

}  // namespace halden
