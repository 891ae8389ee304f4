#include "database/SimilarityMetrics.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/CpuDispatch.h"
#include "database/Lanes.h"
#include "database/SimilarityMetric.h"

namespace halden {

std::string_view metricName(SimilarityMetric metric) {
    switch (metric) {
    case SimilarityMetric::Score: return "score";
    case SimilarityMetric::Hqi: return "hqi";
    case SimilarityMetric::Pearson: return "pearson";
    case SimilarityMetric::Derivative: return "derivative";
    }
    return "score";
}

std::optional<SimilarityMetric> metricNamed(std::string_view name) {
    for (SimilarityMetric m : kSimilarityMetrics)
        if (metricName(m) == name) return m;
    return std::nullopt;
}

namespace {

using lanes::Lanes;
using lanes::load;
using lanes::store;

// The four lanes added as (0 + 1) + (2 + 3).
[[gnu::always_inline]] inline double total(const Lanes& v) { return (v[0] + v[1]) + (v[2] + v[3]); }

// Adds |v| lane by lane, the sign bit cleared as fabs does.
[[gnu::always_inline]] inline void addAbsolute(Lanes& sum, const Lanes& v) {
    using Bits = long long __attribute__((vector_size(32)));
    sum += reinterpret_cast<Lanes>(reinterpret_cast<Bits>(v) & ~(Bits{} + (1LL << 63)));
}

// Every sum below is kept in four partial sums, value k into sum k mod 4,
// combined as (0 + 1) + (2 + 3); no product is fused into an add, so the
// figures do not depend on the CPU.

struct Sums {
    double a = 0;  // sum of |s - d|
    double b = 0;  // sum of sqrt(s^2 + d^2)
};

// How each pair enters the score's sums: s * byS and d * byD (by 1 for the
// plain score, which changes no bit), or s / byS and d / byD.
struct Scale {
    double byS = 1, byD = 1;
    bool divide = false;
};

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
    return {total(a), total(b)};
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

double scoreMetric(const double* s, const double* d, std::size_t n, bool normalize) {
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

// Sum of s*d, of s^2 and of d^2.
struct Products {
    double sd = 0, ss = 0, dd = 0;
};

// With centred, every value less its mean (ms, md).
template <bool centred>
[[gnu::always_inline]] inline Products productSums(const double* s, const double* d, std::size_t n, double ms,
                                                   double md) {
    Lanes sd = {}, ss = {}, dd = {};
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        Lanes sv, dv;
        load(s + k, sv);
        load(d + k, dv);
        if constexpr (centred) {
            sv = sv - ms;
            dv = dv - md;
        }
        sd += sv * dv;
        ss += sv * sv;
        dd += dv * dv;
    }
    for (int j = 0; k < n; ++k, ++j) {
        const double sv = centred ? s[k] - ms : s[k];
        const double dv = centred ? d[k] - md : d[k];
        sd[j] += sv * dv;
        ss[j] += sv * sv;
        dd[j] += dv * dv;
    }
    return {total(sd), total(ss), total(dd)};
}

HALDEN_VECTOR_CLONES
Products plainProducts(const double* s, const double* d, std::size_t n) {
    return productSums<false>(s, d, n, 0, 0);
}

HALDEN_VECTOR_CLONES
Products centredProducts(const double* s, const double* d, std::size_t n, double ms, double md) {
    return productSums<true>(s, d, n, ms, md);
}

HALDEN_VECTOR_CLONES
void valueSums(const double* s, const double* d, std::size_t n, double& sumS, double& sumD) {
    Lanes a = {}, b = {};
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        Lanes sv, dv;
        load(s + k, sv);
        load(d + k, dv);
        a += sv;
        b += dv;
    }
    for (int j = 0; k < n; ++k, ++j) {
        a[j] += s[k];
        b[j] += d[k];
    }
    sumS = total(a);
    sumD = total(b);
}

// 100 * (sum s*d)^2 / (sum s^2 * sum d^2), as (sd / ss) * (sd / dd) so that
// large values do not overflow and identical sides give exactly 100.
double hqiMetric(const double* s, const double* d, std::size_t n) {
    const Products p = plainProducts(s, d, n);
    if (p.ss == 0 || p.dd == 0) return 0;
    return 100 * ((p.sd / p.ss) * (p.sd / p.dd));
}

// The Pearson correlation in two passes (means first, then the centred
// sums), which keeps a large common offset from cancelling the digits.
double correlation(const double* s, const double* d, std::size_t n) {
    if (n < 2) return 0;
    double sumS, sumD;
    valueSums(s, d, n, sumS, sumD);
    const double count = static_cast<double>(n);
    const Products p = centredProducts(s, d, n, sumS / count, sumD / count);
    if (p.ss == 0 || p.dd == 0) return 0;
    double spread = std::sqrt(p.ss * p.dd);  // exactly ss when the sides are the same
    if (!std::isfinite(spread)) spread = std::sqrt(p.ss) * std::sqrt(p.dd);
    return std::clamp(p.sd / spread, -1.0, 1.0);
}

// The Savitzky-Golay window's half width and the weights of its quadratic
// term, 3k^2 - 110 (three times k^2 less its mean over the window).
constexpr int kHalf = static_cast<int>(kDerivativeWindow / 2);
constexpr double quadraticNorm() {
    double q = 0;
    for (int k = -kHalf; k <= kHalf; ++k) q += (3.0 * k * k - 110) * (3.0 * k * k - 110);
    return q;
}
constexpr double kQuadraticNorm = quadraticNorm();  // sum of (3k^2 - 110)^2

// The end values: the quadratic fitted to the window centred at c has the
// slope b / 770 at c and the curvature term 3q / kQuadraticNorm (b the
// centre's derivative, q the sum of (3k^2 - 110) * y[c+k]); its derivative
// at c + t, times 770, is b + 4620 * t * q / kQuadraticNorm.
void fitEnd(const double* y, std::size_t c, double* out, int fromT, int toT) {
    double q = 0;
    for (int k = -kHalf; k <= kHalf; ++k) q += (3.0 * k * k - 110) * y[c + k];
    const double b = out[c];
    for (int t = fromT; t <= toT; ++t) out[c + t] = b + (4620.0 * t * q) / kQuadraticNorm;
}

}  // namespace

namespace {

// sum k * (y[i+k] - y[i-k]) for k = 1..10 at y[0], the values `stride`
// apart (one value, or four side by side), the ten terms added as a tree;
// the same order for both.
template <class V>
[[gnu::always_inline]] inline void windowSlope(const double* y, std::ptrdiff_t stride, V& slope) {
    V t[kHalf + 1];
    for (int k = 1; k <= kHalf; ++k) {
        V up, down;
        load(y + k * stride, up);
        load(y - k * stride, down);
        t[k] = static_cast<double>(k) * (up - down);
    }
    slope = (((t[1] + t[2]) + (t[3] + t[4])) + ((t[5] + t[6]) + (t[7] + t[8]))) + (t[9] + t[10]);
}
static_assert(kHalf == 10, "windowSlope adds ten terms");

// Below this many window centres the slopes are summed one by one.
constexpr std::size_t kRunningFrom = 64;

// Transposes four rows of four: afterwards a, b, c, d hold the columns 0,
// 1, 2, 3 of what they held.
[[gnu::always_inline]] inline void transpose(Lanes& a, Lanes& b, Lanes& c, Lanes& d) {
    using Picks = long long __attribute__((vector_size(32)));
    const Lanes ab02 = __builtin_shuffle(a, b, Picks{0, 4, 2, 6});
    const Lanes ab13 = __builtin_shuffle(a, b, Picks{1, 5, 3, 7});
    const Lanes cd02 = __builtin_shuffle(c, d, Picks{0, 4, 2, 6});
    const Lanes cd13 = __builtin_shuffle(c, d, Picks{1, 5, 3, 7});
    a = __builtin_shuffle(ab02, cd02, Picks{0, 1, 4, 5});
    b = __builtin_shuffle(ab13, cd13, Picks{0, 1, 4, 5});
    c = __builtin_shuffle(ab02, cd02, Picks{2, 3, 6, 7});
    d = __builtin_shuffle(ab13, cd13, Picks{2, 3, 6, 7});
}

// rows[4r + j] = from[j][r] for r < count: four runs side by side.
[[gnu::always_inline]] inline void interleave(const double* const (&from)[4], std::size_t count, double* rows) {
    std::size_t r = 0;
    for (; r + 4 <= count; r += 4) {
        Lanes a, b, c, d;
        load(from[0] + r, a);
        load(from[1] + r, b);
        load(from[2] + r, c);
        load(from[3] + r, d);
        transpose(a, b, c, d);
        store(rows + 4 * r, a);
        store(rows + 4 * r + 4, b);
        store(rows + 4 * r + 8, c);
        store(rows + 4 * r + 12, d);
    }
    for (; r < count; ++r)
        for (int j = 0; j < 4; ++j) rows[4 * r + j] = from[j][r];
}

// to[j][r] = rows[4r + j] for r < count: the runs apart again.
[[gnu::always_inline]] inline void deinterleave(const double* rows, std::size_t count, double* const (&to)[4]) {
    std::size_t r = 0;
    for (; r + 4 <= count; r += 4) {
        Lanes a, b, c, d;
        load(rows + 4 * r, a);
        load(rows + 4 * r + 4, b);
        load(rows + 4 * r + 8, c);
        load(rows + 4 * r + 12, d);
        transpose(a, b, c, d);
        store(to[0] + r, a);
        store(to[1] + r, b);
        store(to[2] + r, c);
        store(to[3] + r, d);
    }
    for (; r < count; ++r)
        for (int j = 0; j < 4; ++j) to[j][r] = rows[4 * r + j];
}

// The window slopes D[i] of four stretches of `length` centres, one per
// lane, each moving on from its first centre (summed in full) by the running
// sums
//   D[i+1] = D[i] + 10 * (y[i+11] + y[i-10]) - W[i],
//   W[i+1] = W[i] + y[i+11] - y[i-9],   W[i] = sum y[i-9 .. i+10].
// rows holds y around the stretches side by side (row r, lane j =
// y[first centre of j - 10 + r], rows 0 .. length + 19); slopes receives
// row t, lane j = D[first centre of j + t].
[[gnu::always_inline]] inline void runningSlopes(const double* rows, std::size_t length, double* slopes) {
    constexpr std::ptrdiff_t kRow = 4;
    Lanes d, w = {};
    windowSlope(rows + kHalf * kRow, kRow, d);
    for (int r = 1; r <= 2 * kHalf; ++r) {
        Lanes v;
        load(rows + r * kRow, v);
        w += v;
    }
    for (std::size_t t = 0;; ++t) {
        store(slopes + t * kRow, d);
        if (t + 1 == length) break;
        Lanes entering, leavingSlope, leavingSum;
        load(rows + (t + 2 * kHalf + 1) * kRow, entering);  // y[i+11]
        load(rows + t * kRow, leavingSlope);                // y[i-10]
        load(rows + (t + 1) * kRow, leavingSum);            // y[i-9]
        d = d + (10.0 * (entering + leavingSlope) - w);
        w = w + (entering - leavingSum);
    }
}

}  // namespace

HALDEN_VECTOR_CLONES
void savitzkyGolayDerivative(const double* y, std::size_t n, double* out, std::vector<double>& stretches) {
    // Centres kHalf .. n - kHalf - 1 hold the whole window: four stretches of
    // them side by side, the few left over summed one by one.
    const std::size_t centres = n - 2 * kHalf;
    const std::size_t length = centres < kRunningFrom ? 0 : centres / 4;
    if (length > 0) {
        const std::size_t rowCount = length + 2 * kHalf;
        if (stretches.size() < 4 * (rowCount + length)) stretches.resize(4 * (rowCount + length));
        double* rows = stretches.data();
        double* slopes = rows + 4 * rowCount;
        const double* const around[4] = {y, y + length, y + 2 * length, y + 3 * length};
        interleave(around, rowCount, rows);
        runningSlopes(rows, length, slopes);
        double* const to[4] = {out + kHalf, out + kHalf + length, out + kHalf + 2 * length, out + kHalf + 3 * length};
        deinterleave(slopes, length, to);
    }
    for (std::size_t i = kHalf + 4 * length; i < n - kHalf; ++i) windowSlope(y + i, 1, out[i]);
    fitEnd(y, kHalf, out, -kHalf, -1);
    fitEnd(y, n - 1 - kHalf, out, 1, kHalf);
}

double pairMetric(const double* s, const double* d, std::size_t n, SimilarityOptions options,
                  MetricScratch& scratch) {
    if (options.metric == SimilarityMetric::Score) return scoreMetric(s, d, n, options.normalize);
    if (options.metric == SimilarityMetric::Hqi) return hqiMetric(s, d, n);
    // Dividing a side by its largest value turns the correlation's sign when
    // that value is negative.
    double sign = 1;
    if (options.normalize) {
        double topS, topD;
        largest(s, d, n, topS, topD);
        if ((topS < 0) != (topD < 0)) sign = -1;
    }
    // (+ 0.0 turns a -0 into 0.)
    if (options.metric == SimilarityMetric::Pearson) return sign * 100 * correlation(s, d, n) + 0.0;
    if (n < kDerivativeWindow) return 0;
    std::vector<double>& slopes = scratch.derivatives;
    if (slopes.size() < 2 * n) slopes.resize(2 * n);
    savitzkyGolayDerivative(s, n, slopes.data(), scratch.stretches);
    savitzkyGolayDerivative(d, n, slopes.data() + n, scratch.stretches);
    return sign * 100 * correlation(slopes.data(), slopes.data() + n, n) + 0.0;
}

}  // namespace halden
