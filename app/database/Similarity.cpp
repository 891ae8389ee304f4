#include "database/Similarity.h"

#include "colour/RisingAxis.h"
#include "common/CpuDispatch.h"
#include "database/Lanes.h"
#include "database/SimilarityMetrics.h"
#include "database/SimilarityPairs.h"

namespace halden {

namespace {

using lanes::Lanes;
using lanes::load;
using lanes::store;

// The file point of each live interval i into px[i] (its x) and d[i] (its
// y): the file index moves on while the next file point lies below the
// interval's end (never past the last point). For a rising file that is the
// last point below the end, which pairs when it is not below the interval's
// start. Returns the point of the last interval.
int pointsStepping(const LiveIntervals& live, const CurveView& file, double* px, double* d) {
    const double* xd = file.x;
    const int last = live.curve.count - 1;
    const int m = file.count - 1;
    int p = 0;
    for (int i = 0; i < last; ++i) {
        const double hi = live.curve.x[i + 1];
        while (p < m && xd[p + 1] < hi) ++p;
        px[i] = xd[p];
        d[i] = file.y[p];
    }
    return p;
}

// The same points when neither x falls: then the point of interval i is the
// one before the first file point at or above its end (the first point when
// there is none before it), so one index that only moves forward finds them.
// Where four intervals in a row each hold the next file point alone (file
// points sampled like the live ones, or on the same grid), they are taken at
// once.
HALDEN_VECTOR_CLONES
int pointsMerging(const LiveIntervals& live, const CurveView& file, double* px, double* d) {
    const double* xd = file.x;
    const int last = live.curve.count - 1;
    const int m = file.count - 1;
    int above = 0, p = 0;  // above: the first file point at or above the last end
    for (int i = 0; i < last; ++i) {
        const double hi = live.curve.x[i + 1];
        // The file's y values come from memory (its x are in cache from the
        // rising test); asking for them 2 KB ahead ranks a large library
        // about a sixth faster.
        __builtin_prefetch(file.y + above + 256);
        if (i + 4 <= last && above + 4 <= m) {
            // Interval i + j takes point above + j when that point is below
            // its end and the next one is not.
            Lanes ends, points, nexts;
            load(live.curve.x + i + 1, ends);
            load(xd + above, points);
            load(xd + above + 1, nexts);
            const auto alone = (points < ends) & (ends <= nexts);
            if (alone[0] & alone[1] & alone[2] & alone[3]) {
                store(px + i, points);
                Lanes ys;
                load(file.y + above, ys);
                store(d + i, ys);
                p = above + 3;
                above += 4;
                i += 3;
                continue;
            }
        }
        while (above <= m && xd[above] < hi) ++above;
        p = above > 0 ? above - 1 : 0;
        px[i] = xd[p];
        d[i] = file.y[p];
    }
    return p;
}

// The live value at px[i] interpolated in interval i, into s[i], always as
// y[i] + (rise * (x - x[i])) / width; returns how many px[i] lie inside
// their interval [x[i], x[i+1]).
HALDEN_VECTOR_CLONES
int interpolateLive(const LiveIntervals& live, const double* px, double* s) {
    const double* xs = live.curve.x;
    const double* ys = live.curve.y;
    const double* rise = live.rise.data();
    const double* width = live.width.data();
    const int last = live.curve.count - 1;
    using Counts = decltype(Lanes{} < Lanes{});
    Counts inside = {};
    int i = 0;
    for (; i + 4 <= last; i += 4) {
        Lanes x, lo, hi, y, r, w;
        load(px + i, x);
        load(xs + i, lo);
        load(xs + i + 1, hi);
        load(ys + i, y);
        load(rise + i, r);
        load(width + i, w);
        store(s + i, y + (r * (x - lo)) / w);
        inside -= (lo <= x) & (x < hi);  // a true lane is -1
    }
    int count = static_cast<int>((inside[0] + inside[1]) + (inside[2] + inside[3]));
    for (; i < last; ++i) {
        s[i] = ys[i] + (rise[i] * (px[i] - xs[i])) / width[i];
        count += (xs[i] <= px[i]) & (px[i] < xs[i + 1]);
    }
    return count;
}

// The pairs of file against live at the front of scratch.s / scratch.d;
// their count.
std::size_t collectPairs(const LiveIntervals& live, const CurveView& file, PairScratch& scratch) {
    const int count = live.curve.count;
    if (count < 1 || file.count < 1) return 0;
    const double* xs = live.curve.x;
    const double* xd = file.x;
    const int last = count - 1;
    const int m = file.count - 1;
    if (xs[0] >= xd[m] || xs[last] <= xd[0]) return 0;

    const auto room = static_cast<std::size_t>(count);
    if (scratch.s.size() < room) scratch.s.resize(room);
    if (scratch.d.size() < room) scratch.d.resize(room);
    if (scratch.x.size() < room) scratch.x.resize(room);
    double* s = scratch.s.data();
    double* d = scratch.d.data();
    double* px = scratch.x.data();
    const int p = (live.ascending && wavelengthsRise(xd, m)) ? pointsMerging(live, file, px, d)
                                                             : pointsStepping(live, file, px, d);
    std::size_t pairs = static_cast<std::size_t>(interpolateLive(live, px, s));
    if (pairs < static_cast<std::size_t>(last)) {
        // Only the intervals whose point lies inside pair, in order.
        pairs = 0;
        for (int i = 0; i < last; ++i) {
            s[pairs] = s[i];
            d[pairs] = d[i];
            pairs += static_cast<std::size_t>((xs[i] <= px[i]) & (px[i] < xs[i + 1]));
        }
    }
    // The point after the last interval's pairs with the live end point when
    // it lies exactly there.
    if (p < m && xd[p + 1] == xs[last]) {
        s[pairs] = live.curve.y[last] + 0.0 / 1.0;  // as interpolated (turns -0 into +0)
        d[pairs] = file.y[p + 1];
        ++pairs;
    }
    return pairs;
}

}  // namespace

void prepareLive(const CurveView& live, LiveIntervals& out) {
    out.curve = live;
    const int intervals = live.count > 1 ? live.count - 1 : 0;
    out.rise.resize(static_cast<std::size_t>(intervals));
    out.width.resize(static_cast<std::size_t>(intervals));
    for (int i = 0; i < intervals; ++i) {
        out.rise[i] = live.y[i + 1] - live.y[i];
        out.width[i] = live.x[i + 1] - live.x[i];
    }
    out.ascending = live.count > 0 && wavelengthsRise(live.x, live.count - 1);
}

void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch) {
    LiveIntervals prepared;
    prepareLive(live, prepared);
    const std::size_t pairs = collectPairs(prepared, file, scratch);
    scratch.s.resize(pairs);
    scratch.d.resize(pairs);
}

double scorePairs(PairScratch& pairs, SimilarityOptions options) {
    if (pairs.s.empty()) return kNoOverlapScore;
    return pairMetric(pairs.s.data(), pairs.d.data(), pairs.s.size(), options, pairs.metric);
}

Similarity similarity(const LiveIntervals& live, const CurveView& file, SimilarityOptions options,
                      PairScratch& scratch) {
    const std::size_t n = collectPairs(live, file, scratch);
    if (n == 0) return {};
    return {pairMetric(scratch.s.data(), scratch.d.data(), n, options, scratch.metric), static_cast<std::int32_t>(n)};
}

Similarity similarity(const CurveView& live, const CurveView& file, SimilarityOptions options, PairScratch& scratch) {
    LiveIntervals prepared;
    prepareLive(live, prepared);
    return similarity(prepared, file, options, scratch);
}

}  // namespace halden
