#include "database/Similarity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define HALDEN_HAVE_SIMD_PATHS 1
#endif

namespace halden {

namespace {

// The sums run in four interleaved partial sums (pair k into sum k mod 4,
// combined as (0 + 1) + (2 + 3)) on every path, so the vector and the plain
// code give the same bits. Every quotient is a true division for the same
// reason.
struct Sums {
    double a = 0;  // sum of |s - d|
    double b = 0;  // sum of sqrt(s^2 + d^2)
};

struct Lanes {
    double a[4] = {0, 0, 0, 0};
    double b[4] = {0, 0, 0, 0};
    Sums total() const { return {(a[0] + a[1]) + (a[2] + a[3]), (b[0] + b[1]) + (b[2] + b[3])}; }
};

// The next file's points, fetched into cache one line at a time (its x and
// its y lines in turn) while this file is paired and summed, so that they
// are there when its turn comes and memory is kept busy all along.
struct ReadAhead {
    const char* x = nullptr;
    const char* y = nullptr;
    std::ptrdiff_t lines = 0;  // of both arrays together
    std::ptrdiff_t next = 0;

    ReadAhead() = default;
    explicit ReadAhead(const CurveView& file)
        : x(reinterpret_cast<const char*>(file.x)),
          y(reinterpret_cast<const char*>(file.y)),
          lines(file.count > 0 ? 2 * ((static_cast<std::ptrdiff_t>(file.count) * 8 + 63) / 64) : 0) {}
};

struct Largest {
    double s = -100000.0;
    double d = -100000.0;
};


// ---- plain code (also the tails of the vector code; never inlined there,
// where the compiler could fuse a multiply and an add) ----

// How each pair enters the sums: as it is; divided by the largest values
// (normalised); or crosswise, s * byd against d * bys, every term the
// divided one times bys * byd, which cancels in the ratio (normalised
// without divisions).
enum class Form { Plain, Divided, Crosswise };

struct Scale {
    double bys = 1, byd = 1;
};

template <Form F>
[[gnu::noinline]] void sumsScalar(const double* s, const double* d, Scale c, std::size_t from, std::size_t n,
                                  Lanes& lanes) {
    for (std::size_t k = from; k < n; ++k) {
        double sv = s[k], dv = d[k];
        if constexpr (F == Form::Divided) {
            sv = sv / c.bys;
            dv = dv / c.byd;
        } else if constexpr (F == Form::Crosswise) {
            sv = sv * c.byd;
            dv = dv * c.bys;
        }
        lanes.a[k & 3] += std::fabs(sv - dv);
        lanes.b[k & 3] += std::sqrt(sv * sv + dv * dv);
    }
}

void largestScalar(const double* s, const double* d, std::size_t from, std::size_t n, Largest& top) {
    for (std::size_t k = from; k < n; ++k) {
        if (s[k] > top.s) top.s = s[k];
        if (d[k] > top.d) top.d = d[k];
    }
}

#ifdef HALDEN_HAVE_SIMD_PATHS

// GCC 12 warns inside its own AVX-512 headers (undefined pass-through operands).
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Products and sums use the explicitly rounded forms so that the compiler
// cannot fuse s * s + d * d into one multiply-add, which would round
// differently from the other paths.
#define HALDEN_RN (_MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC)

__attribute__((target("avx512f"))) inline void accumulate8(__m256d& va, __m256d& vb, __m512d s, __m512d d) {
    const __m512d diff = _mm512_abs_pd(_mm512_sub_round_pd(s, d, HALDEN_RN));
    const __m512d hyp =
        _mm512_sqrt_pd(_mm512_add_round_pd(_mm512_mul_round_pd(s, s, HALDEN_RN), _mm512_mul_round_pd(d, d, HALDEN_RN),
                                           HALDEN_RN));
    // Pairs k .. k+3 then k+4 .. k+7 into the four partial sums, in order.
    va = _mm256_add_pd(va, _mm512_castpd512_pd256(diff));
    va = _mm256_add_pd(va, _mm512_extractf64x4_pd(diff, 1));
    vb = _mm256_add_pd(vb, _mm512_castpd512_pd256(hyp));
    vb = _mm256_add_pd(vb, _mm512_extractf64x4_pd(hyp, 1));
}

// One line of the read-ahead.
__attribute__((target("avx512f"))) inline void readAheadStep(ReadAhead& ahead) {
    if (ahead.next < ahead.lines) {
        const std::ptrdiff_t line = ahead.next++;
        _mm_prefetch((line & 1 ? ahead.y : ahead.x) + (line >> 1) * 64, _MM_HINT_T0);
    }
}

template <Form F>
__attribute__((target("avx512f"))) Sums sumsAvx512(const double* s, const double* d, Scale c, std::size_t n,
                                                  ReadAhead& ahead) {
    const __m512d vs = _mm512_set1_pd(c.bys), vd = _mm512_set1_pd(c.byd);
    __m256d va = _mm256_setzero_pd(), vb = _mm256_setzero_pd();
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        readAheadStep(ahead);
        __m512d sv = _mm512_loadu_pd(s + k), dv = _mm512_loadu_pd(d + k);
        if constexpr (F == Form::Divided) {
            sv = _mm512_div_pd(sv, vs);
            dv = _mm512_div_pd(dv, vd);
        } else if constexpr (F == Form::Crosswise) {
            sv = _mm512_mul_round_pd(sv, vd, HALDEN_RN);
            dv = _mm512_mul_round_pd(dv, vs, HALDEN_RN);
        }
        accumulate8(va, vb, sv, dv);
    }
    Lanes lanes;
    _mm256_storeu_pd(lanes.a, va);
    _mm256_storeu_pd(lanes.b, vb);
    sumsScalar<F>(s, d, c, k, n, lanes);
    return lanes.total();
}

#pragma GCC diagnostic pop

// AVX2 has no fused multiply-add, so plain intrinsics round every step.
__attribute__((target("avx2"))) inline void accumulate4(__m256d& va, __m256d& vb, __m256d s, __m256d d) {
    const __m256d signBit = _mm256_set1_pd(-0.0);
    va = _mm256_add_pd(va, _mm256_andnot_pd(signBit, _mm256_sub_pd(s, d)));
    vb = _mm256_add_pd(vb, _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(s, s), _mm256_mul_pd(d, d))));
}

template <Form F>
__attribute__((target("avx2"))) Sums sumsAvx2(const double* s, const double* d, Scale c, std::size_t n) {
    const __m256d vs = _mm256_set1_pd(c.bys), vd = _mm256_set1_pd(c.byd);
    __m256d va = _mm256_setzero_pd(), vb = _mm256_setzero_pd();
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        __m256d sv = _mm256_loadu_pd(s + k), dv = _mm256_loadu_pd(d + k);
        if constexpr (F == Form::Divided) {
            sv = _mm256_div_pd(sv, vs);
            dv = _mm256_div_pd(dv, vd);
        } else if constexpr (F == Form::Crosswise) {
            sv = _mm256_mul_pd(sv, vd);
            dv = _mm256_mul_pd(dv, vs);
        }
        accumulate4(va, vb, sv, dv);
    }
    Lanes lanes;
    _mm256_storeu_pd(lanes.a, va);
    _mm256_storeu_pd(lanes.b, vb);
    sumsScalar<F>(s, d, c, k, n, lanes);
    return lanes.total();
}

// max_pd(v, m) is v > m ? v : m, the scalar rule, so NaN never enters.
__attribute__((target("avx2"))) void largestAvx2(const double* s, const double* d, std::size_t n, Largest& top) {
    __m256d ms = _mm256_set1_pd(top.s), md = _mm256_set1_pd(top.d);
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        ms = _mm256_max_pd(_mm256_loadu_pd(s + k), ms);
        md = _mm256_max_pd(_mm256_loadu_pd(d + k), md);
    }
    alignas(32) double a[4], b[4];
    _mm256_store_pd(a, ms);
    _mm256_store_pd(b, md);
    largestScalar(a, b, 0, 4, top);
    largestScalar(s, d, k, n, top);
}

#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The same with four running maxima per array, merged by the same rule at
// the end. Maxima of non-NaN values do not depend on the order but for the
// sign of a zero, and a largest value of either zero leaves the values.
__attribute__((target("avx512f"))) void largestAvx512(const double* s, const double* d, std::size_t n,
                                                      Largest& top) {
    __m512d ms[4], md[4];
    for (int j = 0; j < 4; ++j) {
        ms[j] = _mm512_set1_pd(top.s);
        md[j] = _mm512_set1_pd(top.d);
    }
    std::size_t k = 0;
    for (; k + 32 <= n; k += 32) {
        for (int j = 0; j < 4; ++j) {
            ms[j] = _mm512_max_pd(_mm512_loadu_pd(s + k + 8 * j), ms[j]);
            md[j] = _mm512_max_pd(_mm512_loadu_pd(d + k + 8 * j), md[j]);
        }
    }
    for (; k + 8 <= n; k += 8) {
        ms[0] = _mm512_max_pd(_mm512_loadu_pd(s + k), ms[0]);
        md[0] = _mm512_max_pd(_mm512_loadu_pd(d + k), md[0]);
    }
    alignas(64) double a[32], b[32];
    for (int j = 0; j < 4; ++j) {
        _mm512_store_pd(a + 8 * j, ms[j]);
        _mm512_store_pd(b + 8 * j, md[j]);
    }
    largestScalar(a, b, 0, 32, top);
    largestScalar(s, d, k, n, top);
}

#pragma GCC diagnostic pop

enum class Simd { None, Avx2, Avx512 };

Simd simdLevel() {
    static const Simd level = __builtin_cpu_supports("avx512f") ? Simd::Avx512
                              : __builtin_cpu_supports("avx2")  ? Simd::Avx2
                                                                : Simd::None;
    return level;
}
#endif

template <Form F>
Sums sums(const double* s, const double* d, Scale c, std::size_t n, ReadAhead& ahead) {
#ifdef HALDEN_HAVE_SIMD_PATHS
    switch (simdLevel()) {
        case Simd::Avx512: return sumsAvx512<F>(s, d, c, n, ahead);
        case Simd::Avx2: return sumsAvx2<F>(s, d, c, n);
        case Simd::None: break;
    }
#endif
    (void)ahead;  // read ahead by the vector code only
    Lanes lanes;
    sumsScalar<F>(s, d, c, 0, n, lanes);
    return lanes.total();
}

Largest largest(const double* s, const double* d, std::size_t n) {
    Largest top;
#ifdef HALDEN_HAVE_SIMD_PATHS
    if (simdLevel() == Simd::Avx512) {
        largestAvx512(s, d, n, top);
        return top;
    }
    if (simdLevel() != Simd::None) {
        largestAvx2(s, d, n, top);
        return top;
    }
#endif
    largestScalar(s, d, 0, n, top);
    return top;
}

// Dividing by 1 changes no bit, so a largest value of 0 (left alone) can
// share the division pass.
double divisorFor(double largest) { return largest == 0 ? 1.0 : largest; }

double scoreOf(Sums t) {
    const double r = (t.b != 0) ? t.a / t.b : t.a;
    return 100 - 100 * r;
}

// Divisors within this range keep the crosswise products s * byd and
// d * bys within 2^200 of the divided values, so they overflow or fall into
// the subnormal range only where the divided terms are out of range or
// negligible too (the pair holding the largest s alone contributes
// |bys * byd| >= 2^-200 to the second sum).
bool crossable(double divisor) {
    const double m = std::fabs(divisor);
    return m >= 0x1p-100 && m <= 0x1p100;
}

double scoreOf(const double* s, const double* d, std::size_t n, bool normalize, ReadAhead& ahead) {
    if (!normalize) return scoreOf(sums<Form::Plain>(s, d, {}, n, ahead));
    const Largest top = largest(s, d, n);
    const Scale scale{divisorFor(top.s), divisorFor(top.d)};
    if (crossable(scale.bys) && crossable(scale.byd)) {
        // Non-finite sums (NaN or infinite values, or a product out of range)
        // and tiny ones (subnormal products) take the divided form.
        const Sums t = sums<Form::Crosswise>(s, d, scale, n, ahead);
        if (std::isfinite(t.a) && std::isfinite(t.b) && t.b >= 0x1p-400) return scoreOf(t);
    }
    return scoreOf(sums<Form::Divided>(s, d, scale, n, ahead));
}

// True when no x[j+1] is below x[j] (NaN counts as a fall).
bool neverFallsScalar(const double* x, int from, int count) {
    for (int j = from; j + 1 < count; ++j)
        if (!(x[j] <= x[j + 1])) return false;
    return true;
}

#ifdef HALDEN_HAVE_SIMD_PATHS
__attribute__((target("avx2"))) bool neverFallsAvx2(const double* x, int count) {
    int j = 0;
    for (; j + 4 < count; j += 4) {
        const __m256d fall = _mm256_cmp_pd(_mm256_loadu_pd(x + j), _mm256_loadu_pd(x + j + 1), _CMP_NLE_UQ);
        if (_mm256_movemask_pd(fall)) return false;
    }
    return neverFallsScalar(x, j, count);
}

// Sixteen steps per test.
__attribute__((target("avx512f"))) bool neverFallsAvx512(const double* x, int count) {
    int j = 0;
    for (; j + 16 < count; j += 16) {
        const __mmask8 a = _mm512_cmp_pd_mask(_mm512_loadu_pd(x + j), _mm512_loadu_pd(x + j + 1), _CMP_NLE_UQ);
        const __mmask8 b = _mm512_cmp_pd_mask(_mm512_loadu_pd(x + j + 8), _mm512_loadu_pd(x + j + 9), _CMP_NLE_UQ);
        if (a | b) return false;
    }
    return neverFallsScalar(x, j, count);
}
#endif

bool neverFalls(const double* x, int count) {
#ifdef HALDEN_HAVE_SIMD_PATHS
    if (simdLevel() == Simd::Avx512) return neverFallsAvx512(x, count);
    if (simdLevel() != Simd::None) return neverFallsAvx2(x, count);
#endif
    return neverFallsScalar(x, 0, count);
}

struct PairBuffers {
    double* s;
    double* d;
};

// The live value interpolated at x in interval i, always in this order of
// operations: ys[i] + ((ys[i+1] - ys[i]) * (x - xs[i])) / (xs[i+1] - xs[i]).
inline double interpolate(const LiveIntervals& live, int i, double x) {
    return live.curve.y[i] + (live.rise[i] * (x - live.curve.x[i])) / live.width[i];
}

// The pairing as stated: for each live interval advance the file index
// while the file point is not above the interval's end (never past the last
// point), step back by one, and pair that point when it lies inside the
// interval. Works for any order of either x.
std::size_t walkStepping(const LiveIntervals& live, const CurveView& file, const PairBuffers& out, int& p) {
    const double* xs = live.curve.x;
    const double* xd = file.x;
    const int last = live.curve.count - 1;
    const int m = file.count - 1;
    std::size_t pairs = 0;
    p = 0;
    for (int i = 0; i < last; ++i) {
        const double lo = xs[i];
        const double hi = xs[i + 1];
        while (xd[p] <= hi && p < m) ++p;
        if (p > 0) --p;
        const double x = xd[p];
        if (lo <= x && x < hi) {
            out.s[pairs] = interpolate(live, i, x);
            out.d[pairs] = file.y[p];
            ++pairs;
        }
    }
    return pairs;
}

// The same pairing when neither x falls. Then the stepping index of
// interval i is always the last file point not above xs[i+1] (kept within
// 0 .. m-1), so one upper-bound index that only moves forward replaces the
// stepping back and forth, and each interval's pair is stored without a
// branch (a slot that does not pair is overwritten by the next).
struct MergeState {
    int i = 0;      // next live interval
    int above = 0;  // first file point above the last interval's end, at most m + 1
    int p = 0;      // file point of the last interval
    std::size_t pairs = 0;
    ReadAhead* ahead = nullptr;  // the next file's points, fetched into cache meanwhile
};

inline void mergeStep(const LiveIntervals& live, const CurveView& file, const PairBuffers& out, MergeState& st) {
    const int i = st.i;
    const int m = file.count - 1;
    const double lo = live.curve.x[i];
    const double hi = live.curve.x[i + 1];
    while (st.above <= m && file.x[st.above] <= hi) ++st.above;
    const int capped = st.above < m ? st.above : m;
    st.p = capped > 0 ? capped - 1 : 0;
    const double x = file.x[st.p];
    out.s[st.pairs] = interpolate(live, i, x);
    out.d[st.pairs] = file.y[st.p];
    st.pairs += static_cast<std::size_t>((lo <= x) & (x < hi));
    ++st.i;
}

#ifdef HALDEN_HAVE_SIMD_PATHS
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Lane indices for joining r carried pairs (lanes 0 .. r-1 of the first
// operand) with a block's pairs (the second operand), and for moving what
// does not fit a line, the block's lanes 8 - r on, to lane 0.
struct LaneTables {
    alignas(64) std::int64_t join[8][8];
    alignas(64) std::int64_t rest[8][8];
};
constexpr LaneTables makeLaneTables() {
    LaneTables t{};
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 8; ++j) {
            t.join[r][j] = j < r ? j : 8 + (j - r);
            t.rest[r][j] = (j + 8 - r) & 7;
        }
    return t;
}
alignas(64) constexpr LaneTables kLaneTables = makeLaneTables();
constexpr const std::int64_t (&kJoinLanes)[8][8] = kLaneTables.join;
constexpr const std::int64_t (&kRestLanes)[8][8] = kLaneTables.rest;

// Eight intervals at a time where the file's points follow the live ones
// closely: interval i + j expects its point among g + j .. g + j + 2, which
// holds when xd[g+j] <= hi < xd[g+j+3]; the point is then g + j plus the
// number of xd[g+j+1], xd[g+j+2] not above hi, exactly what the upper-bound
// walk finds. Blocks that fail the test go one interval at a time.
__attribute__((target("avx512f"))) void mergeAvx512(const LiveIntervals& live, const CurveView& file,
                                                   const PairBuffers& out, MergeState& state) {
    // Everything in locals: the stores through the pair pointers would
    // otherwise make the compiler reload the state on every interval.
    const double* __restrict xs = live.curve.x;
    const double* __restrict ys = live.curve.y;
    const double* __restrict rise = live.rise.data();
    const double* __restrict width = live.width.data();
    const double* __restrict xd = file.x;
    const double* __restrict yd = file.y;
    double* __restrict outS = out.s;
    double* __restrict outD = out.d;
    const int last = live.curve.count - 1;
    const int m = file.count - 1;
    int i = state.i, above = state.above, p = state.p;
    std::size_t pairs = state.pairs;
    // One line of the next file per block (the rest while summing).
    ReadAhead ahead = *state.ahead;
    int pause = 1;  // single steps left before the next block attempt
    // The window start of interval i is i + shift. The shift is taken from
    // the last single step and kept while blocks succeed, so that the next
    // block's loads need not wait for this block's result.
    int shift = 0;
    while (i < last) {
        const int g = i + shift;
        if (pause == 0 && i + 8 <= last && g >= 0 && g + 15 <= m) {
            // Blocks back to back while they succeed, as many as the live
            // intervals and the file's points leave room for; pointers
            // rather than indices keep the loop's state in registers.
            const int room = std::min((last - i) / 8, (m - 15 - g) / 8 + 1);
            const double* bxs = xs + i;
            const double* bys = ys + i;
            const double* bxd = xd + g;
            const double* byd = yd + g;
            // The pairs go out in whole aligned lines: carry holds the r
            // pairs of the line being filled (its first r lanes), each block
            // joins its pairs on and stores the line, and a full line's
            // leftover pairs begin the next.
            const std::size_t lineStart = pairs & ~std::size_t{7};
            unsigned r = static_cast<unsigned>(pairs & 7);
            __m512d carryS = _mm512_loadu_pd(outS + lineStart);
            __m512d carryD = _mm512_loadu_pd(outD + lineStart);
            double* lineS = outS + lineStart;
            double* lineD = outD + lineStart;
            __mmask8 c1 = 0, c2 = 0;
            int done = 0;
            for (; done < room; ++done) {
                readAheadStep(ahead);
                const __m512d lo = _mm512_loadu_pd(bxs);
                const __m512d hi = _mm512_loadu_pd(bxs + 1);
                // xd[g .. g+15] in two loads; the shifted windows by lane rotation.
                const __m512i xa = _mm512_castpd_si512(_mm512_loadu_pd(bxd));
                const __m512i xb = _mm512_castpd_si512(_mm512_loadu_pd(bxd + 8));
                const __m512d x0 = _mm512_castsi512_pd(xa);
                const __m512d x3 = _mm512_castsi512_pd(_mm512_alignr_epi64(xb, xa, 3));
                const __mmask8 c0 = _mm512_cmp_pd_mask(x0, hi, _CMP_LE_OQ);
                const __mmask8 c3 = _mm512_cmp_pd_mask(x3, hi, _CMP_LE_OQ);
                if (c0 != 0xFF || c3 != 0) break;
                const __m512d x1 = _mm512_castsi512_pd(_mm512_alignr_epi64(xb, xa, 1));
                const __m512d x2 = _mm512_castsi512_pd(_mm512_alignr_epi64(xb, xa, 2));
                c1 = _mm512_cmp_pd_mask(x1, hi, _CMP_LE_OQ);
                c2 = _mm512_cmp_pd_mask(x2, hi, _CMP_LE_OQ);
                const __m512d x = _mm512_mask_blend_pd(c2, _mm512_mask_blend_pd(c1, x0, x1), x2);
                const __m512i ya = _mm512_castpd_si512(_mm512_loadu_pd(byd));
                const __m512i yb = _mm512_castpd_si512(_mm512_loadu_pd(byd + 8));
                const __m512d d = _mm512_mask_blend_pd(
                    c2,
                    _mm512_mask_blend_pd(c1, _mm512_castsi512_pd(ya),
                                         _mm512_castsi512_pd(_mm512_alignr_epi64(yb, ya, 1))),
                    _mm512_castsi512_pd(_mm512_alignr_epi64(yb, ya, 2)));
                const __mmask8 inside =
                    _mm512_cmp_pd_mask(lo, x, _CMP_LE_OQ) & _mm512_cmp_pd_mask(x, hi, _CMP_LT_OQ);
                // Rise and width from the live points at hand, the same
                // subtractions as prepareLive's, sparing two arrays' traffic.
                const __m512d y0 = _mm512_loadu_pd(bys);
                const __m512d rise8 = _mm512_sub_round_pd(_mm512_loadu_pd(bys + 1), y0, HALDEN_RN);
                const __m512d width8 = _mm512_sub_round_pd(hi, lo, HALDEN_RN);
                const __m512d s = _mm512_add_round_pd(
                    y0,
                    _mm512_div_pd(_mm512_mul_round_pd(rise8, _mm512_sub_round_pd(x, lo, HALDEN_RN), HALDEN_RN),
                                  width8),
                    HALDEN_RN);
                // Only the pairs, in order; lanes past them are overwritten later.
                __m512d ps = s, pd = d;
                unsigned c = 8;
                if (inside != 0xFF) {
                    ps = _mm512_maskz_compress_pd(inside, s);
                    pd = _mm512_maskz_compress_pd(inside, d);
                    c = static_cast<unsigned>(__builtin_popcount(inside));
                }
                const __m512i join = _mm512_load_si512(kJoinLanes[r]);
                const __m512d joinedS = _mm512_permutex2var_pd(carryS, join, ps);
                const __m512d joinedD = _mm512_permutex2var_pd(carryD, join, pd);
                _mm512_storeu_pd(lineS, joinedS);
                _mm512_storeu_pd(lineD, joinedD);
                if (r + c >= 8) {
                    const __m512i rest = _mm512_load_si512(kRestLanes[r]);
                    carryS = _mm512_permutexvar_pd(rest, ps);
                    carryD = _mm512_permutexvar_pd(rest, pd);
                    lineS += 8;
                    lineD += 8;
                    r = r + c - 8;
                } else {
                    carryS = joinedS;
                    carryD = joinedD;
                    r += c;
                }
                pairs += c;
                bxs += 8;
                bys += 8;
                bxd += 8;
                byd += 8;
            }
            _mm512_storeu_pd(lineS, carryS);  // within the room past the last pair
            _mm512_storeu_pd(lineD, carryD);
            if (done > 0) {
                // The last block's point for its last interval.
                p = g + 8 * done - 1 + ((c1 >> 7) & 1) + ((c2 >> 7) & 1);
                above = p + 1;
                i += 8 * done;
            }
            if (done == room) continue;
            pause = 8;
        }
        // One interval by the upper-bound walk.
        const double lo = xs[i];
        const double hi = xs[i + 1];
        while (above <= m && xd[above] <= hi) ++above;
        const int capped = above < m ? above : m;
        p = capped > 0 ? capped - 1 : 0;
        const double x = xd[p];
        outS[pairs] = ys[i] + (rise[i] * (x - lo)) / width[i];
        outD[pairs] = yd[p];
        pairs += static_cast<std::size_t>((lo <= x) & (x < hi));
        ++i;
        if (pause > 0) --pause;
        shift = p - i;  // the window of the next interval starts at this point
    }
    state.i = i;
    state.above = above;
    state.p = p;
    state.pairs = pairs;
    *state.ahead = ahead;
}

#pragma GCC diagnostic pop
#endif

std::size_t walkMerging(const LiveIntervals& live, const CurveView& file, ReadAhead& ahead, const PairBuffers& out,
                        int& p) {
    MergeState st;
    st.ahead = &ahead;
    const int last = live.curve.count - 1;
#ifdef HALDEN_HAVE_SIMD_PATHS
    if (simdLevel() == Simd::Avx512) mergeAvx512(live, file, out, st);
#endif
    while (st.i < last) mergeStep(live, file, out, st);
    p = st.p;
    return st.pairs;
}

// Where the pairs start in a scratch vector: the first element on a 64-byte
// boundary, so that the vector code writes and reads whole cache lines.
double* alignedStart(std::vector<double>& v) {
    const auto at = reinterpret_cast<std::uintptr_t>(v.data());
    return v.data() + ((64 - (at & 63)) & 63) / sizeof(double);
}

// The pairs of file against live into out, which collectPairs points at
// scratch.s / scratch.d (from their aligned start); their count.
std::size_t collectPairs(const LiveIntervals& live, const CurveView& file, PairScratch& scratch, PairBuffers& out,
                         ReadAhead& ahead) {
    const int count = live.curve.count;
    if (count < 1 || file.count < 1) return 0;
    // Room for a whole block of stores past the last pair, after up to seven
    // elements skipped for the alignment.
    const std::size_t capacity = static_cast<std::size_t>(count) + 16;
    if (scratch.s.size() < capacity) scratch.s.resize(capacity);
    if (scratch.d.size() < capacity) scratch.d.resize(capacity);
    out = {alignedStart(scratch.s), alignedStart(scratch.d)};
    const double* xs = live.curve.x;
    const double* xd = file.x;
    const int last = count - 1;
    const int m = file.count - 1;
    if (xs[0] >= xd[m] || xs[last] <= xd[0]) return 0;

    int p = 0;
    std::size_t pairs = (live.ascending && neverFalls(xd, file.count)) ? walkMerging(live, file, ahead, out, p)
                                                                       : walkStepping(live, file, out, p);
    if (xd[p] == xs[last]) {
        out.s[pairs] = live.curve.y[last] + 0.0 / 1.0;  // as interpolated (turns -0 into +0)
        out.d[pairs] = file.y[p];
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
    out.ascending = neverFalls(live.x, live.count);
}

void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch) {
    LiveIntervals prepared;
    prepareLive(live, prepared);
    PairBuffers out{};
    ReadAhead none;
    const std::size_t pairs = collectPairs(prepared, file, scratch, out, none);
    // The pairs moved to the front.
    std::vector<double> s(out.s, out.s + pairs), d(out.d, out.d + pairs);
    scratch.s = std::move(s);
    scratch.d = std::move(d);
}

double scorePairs(PairScratch& pairs, bool normalize) {
    if (pairs.s.empty()) return kNoOverlapScore;
    ReadAhead none;
    return scoreOf(pairs.s.data(), pairs.d.data(), pairs.s.size(), normalize, none);
}

double similarityScore(const LiveIntervals& live, const CurveView& file, bool normalize, PairScratch& scratch,
                       const CurveView& upcoming) {
    PairBuffers out{};
    ReadAhead ahead(upcoming);
    const std::size_t n = collectPairs(live, file, scratch, out, ahead);
    if (n == 0) return kNoOverlapScore;
    return scoreOf(out.s, out.d, n, normalize, ahead);
}

double similarityScore(const CurveView& live, const CurveView& file, bool normalize, PairScratch& scratch) {
    LiveIntervals prepared;
    prepareLive(live, prepared);
    return similarityScore(prepared, file, normalize, scratch);
}

}  // namespace halden
