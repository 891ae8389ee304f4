#include "database/Similarity.h"

#include <cmath>
#include <cstring>

#include "colour/RisingAxis.h"
#include "common/CpuDispatch.h"
#include "database/SimilarityPairs.h"

namespace halden {

namespace {

// Four values side by side; the compiler runs them in vector registers.
using Lanes = double __attribute__((vector_size(32)));

// (By reference: vectors passed by value would depend on the instruction set.)
[[gnu::always_inline]] inline void load(const double* p, Lanes& v) { std::memcpy(&v, p, sizeof v); }

[[gnu::always_inline]] inline void store(double* p, const Lanes& v) { std::memcpy(p, &v, sizeof v); }

// Adds |v| lane by lane, the sign bit cleared as fabs does.
[[gnu::always_inline]] inline void addAbsolute(Lanes& sum, const Lanes& v) {
    using Bits = long long __attribute__((vector_size(32)));
    sum += reinterpret_cast<Lanes>(reinterpret_cast<Bits>(v) & ~(Bits{} + (1LL << 63)));
}

struct Sums {
    double a = 0;  // sum of |s - d|
    double b = 0;  // sum of sqrt(s^2 + d^2)
};

// How each pair enters the sums: s * byS and d * byD (by 1 for the plain
// score, which changes no bit), or s / byS and d / byD.
struct Scale {
    double byS = 1, byD = 1;
    bool divide = false;
};

// The sums in four partial sums, pair k into sum k mod 4, combined as
// (0 + 1) + (2 + 3); every quotient a true division and no product fused
// into an add, so the figure does not depend on the CPU.
HALDEN_VECTOR_CLONES
Sums pairSums(const double* s, const double* d, std::size_t n, Scale c) {
    Lanes a = {}, b = {};
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        Lanes sv, dv;
        load(s + k, sv);
        load(d + k, dv);
        if (c.divide) {
            sv = sv / c.byS;
            dv = dv / c.byD;
        } else {
            sv = sv * c.byS;
            dv = dv * c.byD;
        }
        addAbsolute(a, sv - dv);
        const Lanes q = sv * sv + dv * dv;
        Lanes root;
        for (int j = 0; j < 4; ++j) root[j] = std::sqrt(q[j]);
        b += root;
    }
    for (int j = 0; k < n; ++k, ++j) {
        const double sv = c.divide ? s[k] / c.byS : s[k] * c.byS;
        const double dv = c.divide ? d[k] / c.byD : d[k] * c.byD;
        a[j] += std::fabs(sv - dv);
        b[j] += std::sqrt(sv * sv + dv * dv);
    }
    return {(a[0] + a[1]) + (a[2] + a[3]), (b[0] + b[1]) + (b[2] + b[3])};
}

// The largest s and the largest d (at least -100000).
HALDEN_VECTOR_CLONES
void largest(const double* s, const double* d, std::size_t n, double& topS, double& topD) {
    Lanes ms = Lanes{} - 100000.0, md = ms;
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        Lanes sv, dv;
        load(s + k, sv);
        load(d + k, dv);
        ms = sv > ms ? sv : ms;
        md = dv > md ? dv : md;
    }
    topS = topD = -100000.0;
    for (int j = 0; j < 4; ++j) {
        if (ms[j] > topS) topS = ms[j];
        if (md[j] > topD) topD = md[j];
    }
    for (; k < n; ++k) {
        if (s[k] > topS) topS = s[k];
        if (d[k] > topD) topD = d[k];
    }
}

double scoreOf(Sums t) {
    const double r = (t.b != 0) ? t.a / t.b : t.a;
    return 100 - 100 * r;
}

// Divisors within this range keep the crosswise products s * byD and
// d * byS within 2^200 of the divided values, so they overflow or fall into
// the subnormal range only where the divided terms are out of range or
// negligible too (the pair holding the largest s alone contributes
// |byS * byD| >= 2^-200 to the second sum).
bool crossable(double divisor) {
    const double m = std::fabs(divisor);
    return m >= 0x1p-100 && m <= 0x1p100;
}

double scoreOf(const double* s, const double* d, std::size_t n, bool normalize) {
    if (!normalize) return scoreOf(pairSums(s, d, n, {}));
    double topS, topD;
    largest(s, d, n, topS, topD);
    // Dividing by 1 changes no bit: a largest value of 0 leaves the values.
    const double byS = topS == 0 ? 1.0 : topS, byD = topD == 0 ? 1.0 : topD;
    if (crossable(byS) && crossable(byD)) {
        // Crosswise, s * byD against d * byS: every term the divided one
        // times byS * byD, which cancels in the ratio. Non-finite sums (NaN
        // or infinite values, or a product out of range) and tiny ones
        // (subnormal products) take the divided form.
        const Sums t = pairSums(s, d, n, {byD, byS, false});
        if (std::isfinite(t.a) && std::isfinite(t.b) && t.b >= 0x1p-400) return scoreOf(t);
    }
    return scoreOf(pairSums(s, d, n, {byS, byD, true}));
}

// The file point of each live interval i into px[i] (its x) and d[i] (its
// y), by the pairing as stated: advance the file index while the file point
// is not above the interval's end (never past the last point), then step
// back by one. Returns the point of the last interval.
int pointsStepping(const LiveIntervals& live, const CurveView& file, double* px, double* d) {
    const double* xd = file.x;
    const int last = live.curve.count - 1;
    const int m = file.count - 1;
    int p = 0;
    for (int i = 0; i < last; ++i) {
        while (xd[p] <= live.curve.x[i + 1] && p < m) ++p;
        if (p > 0) --p;
        px[i] = xd[p];
        d[i] = file.y[p];
    }
    return p;
}

// The same points when neither x falls: then the stepping index of interval
// i is always the last file point not above its end (kept within 0 .. m-1),
// so one upper-bound index that only moves forward replaces the stepping.
// Where four intervals in a row each hold the next file point alone (file
// points sampled like the live ones), they are taken at once.
HALDEN_VECTOR_CLONES
int pointsMerging(const LiveIntervals& live, const CurveView& file, double* px, double* d) {
    const double* xd = file.x;
    const int last = live.curve.count - 1;
    const int m = file.count - 1;
    int above = 0, p = 0;
    for (int i = 0; i < last; ++i) {
        const double hi = live.curve.x[i + 1];
        // The file's y values come from memory (its x are in cache from the
        // rising test); asking for them 2 KB ahead ranks a large library
        // about a sixth faster.
        __builtin_prefetch(file.y + above + 256);
        if (i + 4 <= last && above + 4 <= m) {
            // Interval i + j takes point above + j when that point is not
            // above its end and the next one is.
            Lanes ends, points, nexts;
            load(live.curve.x + i + 1, ends);
            load(xd + above, points);
            load(xd + above + 1, nexts);
            const auto alone = (points <= ends) & (ends < nexts);
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
        while (above <= m && xd[above] <= hi) ++above;
        const int capped = above < m ? above : m;
        p = capped > 0 ? capped - 1 : 0;
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
    if (xd[p] == xs[last]) {
        s[pairs] = live.curve.y[last] + 0.0 / 1.0;  // as interpolated (turns -0 into +0)
        d[pairs] = file.y[p];
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

double scorePairs(PairScratch& pairs, bool normalize) {
    if (pairs.s.empty()) return kNoOverlapScore;
    return scoreOf(pairs.s.data(), pairs.d.data(), pairs.s.size(), normalize);
}

double similarityScore(const LiveIntervals& live, const CurveView& file, bool normalize, PairScratch& scratch) {
    const std::size_t n = collectPairs(live, file, scratch);
    if (n == 0) return kNoOverlapScore;
    return scoreOf(scratch.s.data(), scratch.d.data(), n, normalize);
}

double similarityScore(const CurveView& live, const CurveView& file, bool normalize, PairScratch& scratch) {
    LiveIntervals prepared;
    prepareLive(live, prepared);
    return similarityScore(prepared, file, normalize, scratch);
}

}  // namespace halden
