#include "database/Similarity.h"

#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define HALDEN_HAVE_AVX2_PATH 1
#endif

namespace halden {

namespace {

// The sums run in four interleaved partial sums (element k into sum k mod 4,
// combined as (0 + 1) + (2 + 3)) on every path, so the vector and the plain
// code give the same bits.
struct Sums {
    double a = 0;  // sum of |s - d|
    double b = 0;  // sum of sqrt(s^2 + d^2)
};

void finishScalar(double* s, const double* num, const double* den, std::size_t from, std::size_t n) {
    for (std::size_t k = from; k < n; ++k) s[k] = s[k] + num[k] / den[k];
}

void divideScalar(double* v, double by, std::size_t from, std::size_t n) {
    for (std::size_t k = from; k < n; ++k) v[k] = v[k] / by;
}

Sums sumsScalar(const double* s, const double* d, std::size_t from, std::size_t n, double a[4], double b[4]) {
    for (std::size_t k = from; k < n; ++k) {
        const std::size_t j = k & 3;
        a[j] += std::fabs(s[k] - d[k]);
        b[j] += std::sqrt(s[k] * s[k] + d[k] * d[k]);
    }
    return {(a[0] + a[1]) + (a[2] + a[3]), (b[0] + b[1]) + (b[2] + b[3])};
}

#ifdef HALDEN_HAVE_AVX2_PATH
__attribute__((target("avx2"))) void finishAvx2(double* s, const double* num, const double* den, std::size_t n) {
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4)
        _mm256_storeu_pd(s + k, _mm256_add_pd(_mm256_loadu_pd(s + k),
                                              _mm256_div_pd(_mm256_loadu_pd(num + k), _mm256_loadu_pd(den + k))));
    finishScalar(s, num, den, k, n);
}

__attribute__((target("avx2"))) void divideAvx2(double* v, double by, std::size_t n) {
    const __m256d divisor = _mm256_set1_pd(by);
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) _mm256_storeu_pd(v + k, _mm256_div_pd(_mm256_loadu_pd(v + k), divisor));
    divideScalar(v, by, k, n);
}

__attribute__((target("avx2"))) Sums sumsAvx2(const double* s, const double* d, std::size_t n) {
    const __m256d signBit = _mm256_set1_pd(-0.0);
    __m256d va = _mm256_setzero_pd();
    __m256d vb = _mm256_setzero_pd();
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m256d vs = _mm256_loadu_pd(s + k);
        const __m256d vd = _mm256_loadu_pd(d + k);
        va = _mm256_add_pd(va, _mm256_andnot_pd(signBit, _mm256_sub_pd(vs, vd)));
        vb = _mm256_add_pd(vb, _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(vs, vs), _mm256_mul_pd(vd, vd))));
    }
    alignas(32) double a[4], b[4];
    _mm256_store_pd(a, va);
    _mm256_store_pd(b, vb);
    return sumsScalar(s, d, k, n, a, b);
}

bool haveAvx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

void finishPairs(double* s, const double* num, const double* den, std::size_t n) {
#ifdef HALDEN_HAVE_AVX2_PATH
    if (haveAvx2()) return finishAvx2(s, num, den, n);
#endif
    finishScalar(s, num, den, 0, n);
}

void divideAll(double* v, double by, std::size_t n) {
#ifdef HALDEN_HAVE_AVX2_PATH
    if (haveAvx2()) return divideAvx2(v, by, n);
#endif
    divideScalar(v, by, 0, n);
}

Sums sums(const double* s, const double* d, std::size_t n) {
#ifdef HALDEN_HAVE_AVX2_PATH
    if (haveAvx2()) return sumsAvx2(s, d, n);
#endif
    double a[4] = {0, 0, 0, 0}, b[4] = {0, 0, 0, 0};
    return sumsScalar(s, d, 0, n, a, b);
}

void divideByLargest(std::vector<double>& v) {
    double largest = -100000.0;
    for (double a : v)
        if (a > largest) largest = a;
    if (largest == 0) return;
    divideAll(v.data(), largest, v.size());
}

}  // namespace

void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch) {
    const std::size_t capacity = static_cast<std::size_t>(live.count > 0 ? live.count : 0);
    for (auto* v : {&scratch.s, &scratch.d, &scratch.num, &scratch.den})
        if (v->size() < capacity) v->resize(capacity);
    std::size_t pairs = 0;
    if (live.count >= 1 && file.count >= 1) {
        const double* xs = live.x;
        const double* ys = live.y;
        const double* xd = file.x;
        const double* yd = file.y;
        const int last = live.count - 1;  // N
        const int m = file.count - 1;
        double* s = scratch.s.data();
        double* d = scratch.d.data();
        double* num = scratch.num.data();
        double* den = scratch.den.data();
        if (!(xs[0] >= xd[m] || xs[last] <= xd[0])) {
            int p = 0;
            for (int i = 0; i < last; ++i) {
                const double lo = xs[i];
                const double hi = xs[i + 1];
                while (xd[p] <= hi && p < m) ++p;
                if (p > 0) --p;
                const double x = xd[p];
                if (lo <= x && x < hi) {
                    // s = ys[i] + (ys[i+1] - ys[i]) * (x - lo) / (hi - lo)
                    s[pairs] = ys[i];
                    num[pairs] = (ys[i + 1] - ys[i]) * (x - lo);
                    den[pairs] = hi - lo;
                    d[pairs] = yd[p];
                    ++pairs;
                }
            }
            if (xd[p] == xs[last]) {
                s[pairs] = ys[last];
                num[pairs] = 0;
                den[pairs] = 1;
                d[pairs] = yd[p];
                ++pairs;
            }
            finishPairs(s, num, den, pairs);
        }
    }
    scratch.s.resize(pairs);
    scratch.d.resize(pairs);
}

double scorePairs(PairScratch& pairs, bool normalize) {
    if (pairs.s.empty()) return kNoOverlapScore;
    if (normalize) {
        divideByLargest(pairs.s);
        divideByLargest(pairs.d);
    }
    const Sums t = sums(pairs.s.data(), pairs.d.data(), pairs.s.size());
    const double r = (t.b != 0) ? t.a / t.b : t.a;
    return 100 - 100 * r;
}

double similarityScore(const CurveView& live, const CurveView& file, bool normalize, PairScratch& scratch) {
    pairWithLive(live, file, scratch);
    return scorePairs(scratch, normalize);
}

}  // namespace halden
