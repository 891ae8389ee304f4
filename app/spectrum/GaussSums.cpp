#include "spectrum/GaussSums.h"
#include "common/CpuDispatch.h"

#include <cstdint>
#include <cstring>

namespace halden {

namespace {

using Lanes = double __attribute__((vector_size(64)));
using Ints = std::int64_t __attribute__((vector_size(64)));
constexpr int kLanes = 8;

// Beyond this exp(-t) is below the smallest normal double; it counts as 0.
constexpr double kExpLimit = 708.0;

// exp(-t) for t in [0, kExpLimit] (NaN stays NaN): t = k ln2 - r with
// |r| <= ln2 / 2, exp(-t) = 2^-k exp(-r), exp(-r) from its Taylor series to
// degree 13 (truncation below 2e-16 relative). k is rounded by adding
// 1.5 * 2^52, which leaves it in the low bits of the sum; those bits also
// build 2^-k directly. No fused multiply-adds (-ffp-contract=off), so each
// instruction set computes the same bits.
[[gnu::always_inline]] inline void expNegative(const Lanes& t, Lanes& out) {
    constexpr double kLog2e = 1.4426950408889634074;
    constexpr double kShifter = 0x1.8p52;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // 32 bits: k * kLn2Hi is exact
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    const Lanes u = -t;
    const Lanes z = u * kLog2e + kShifter;
    const Lanes k = z - kShifter;
    const Lanes r = (u - k * kLn2Hi) - k * kLn2Lo;
    Lanes p = r * (1.0 / 6227020800.0) + 1.0 / 479001600.0;
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 0.5;
    p = p * r + 1.0;
    p = p * r + 1.0;
    Ints bits;
    std::memcpy(&bits, &z, sizeof bits);
    bits = (bits + 1023) << 52;  // only k + 1023 survives the shift
    Lanes scale;
    std::memcpy(&scale, &bits, sizeof scale);
    out = p * scale;
}

// exp(-t), 0 beyond the limit (t = +inf included).
[[gnu::always_inline]] inline void peakFactor(const Lanes& t, Lanes& g) {
    const Lanes inRange = t > kExpLimit ? Lanes{} + kExpLimit : t;  // NaN stays
    expNegative(inRange, g);
    g = t > kExpLimit ? Lanes{} : g;
}

[[gnu::always_inline]] inline void load(const double* p, Lanes& v) { std::memcpy(&v, p, sizeof v); }

// The last n % 8 points in full lanes: copies of the tail, padded with the
// last point, and a mask that keeps only the real ones.
struct Tail {
    Lanes x, y, keep;
};
[[gnu::always_inline]] inline void tail(const double* x, const double* y, int from, int n, Tail& out) {
    double tx[kLanes], ty[kLanes], tk[kLanes];
    for (int j = 0; j < kLanes; ++j) {
        const int i = from + j < n ? from + j : n - 1;
        tx[j] = x[i];
        ty[j] = y[i];
        tk[j] = from + j < n ? 1 : 0;
    }
    load(tx, out.x);
    load(ty, out.y);
    load(tk, out.keep);
}

// Lane sums added pairwise, in the same order on every path.
inline double total(const Lanes& v) {
    double lane[kLanes];
    std::memcpy(lane, &v, sizeof v);
    for (int m = kLanes; m > 1; m /= 2)
        for (int k = 0; k < m / 2; ++k) lane[k] = lane[2 * k] + lane[2 * k + 1];
    return lane[0];
}

struct Model {
    double a, c, b, inverseQ2, inverseTwoQ;  // q = w / 4
    explicit Model(const GaussParams& p)
        : a(p.amplitude), c(p.center), b(p.offset), inverseQ2(16 / (p.width * p.width)), inverseTwoQ(2 / p.width) {}
};

[[gnu::always_inline]] inline void addSquares(const Model& m, const Lanes& xs, const Lanes& ys, const Lanes& keep,
                                              Lanes& sum) {
    const Lanes d = xs - m.c;
    Lanes g;
    peakFactor(d * d * m.inverseQ2, g);
    const Lanes r = ys - (m.a * g + m.b);
    sum += keep > 0 ? r * r : Lanes{};
}

HALDEN_VECTOR_CLONES
double squaredResiduals(const Model& m, const double* x, const double* y, int n) {
    const Lanes all = Lanes{} + 1.0;
    Lanes sum{}, xs, ys;
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        load(x + i, xs);
        load(y + i, ys);
        addSquares(m, xs, ys, all, sum);
    }
    if (i < n) {
        Tail t;
        tail(x, y, i, n, t);
        addSquares(m, t.x, t.y, t.keep, sum);
    }
    return total(sum);
}

struct NormalSums {
    Lanes aa{}, ac{}, aw{}, ab{}, cc{}, cw{}, cb{}, ww{}, wb{}, ra{}, rc{}, rw{}, rb{}, rr{};
};

[[gnu::always_inline]] inline void addNormal(const Model& m, const Lanes& xs, const Lanes& ys, const Lanes& keep,
                                             NormalSums& s) {
    const Lanes d = xs - m.c;
    const Lanes t = d * d * m.inverseQ2;
    Lanes g;
    peakFactor(t, g);
    g = keep > 0 ? g : Lanes{};
    const Lanes r = keep > 0 ? ys - (m.a * g + m.b) : Lanes{};
    const Lanes ag = m.a * g;
    // dF/dc = a g 2 d / q^2, dF/dw = a g t / (2 q); far from the peak both
    // are 0 (g is), also where t or 1 / q^2 is infinite.
    const Lanes jc = g == 0 ? Lanes{} : ag * 2.0 * d * m.inverseQ2;
    const Lanes jw = g == 0 ? Lanes{} : ag * t * m.inverseTwoQ;
    s.aa += g * g;
    s.ac += g * jc;
    s.aw += g * jw;
    s.ab += g;
    s.cc += jc * jc;
    s.cw += jc * jw;
    s.cb += jc;
    s.ww += jw * jw;
    s.wb += jw;
    s.ra += g * r;
    s.rc += jc * r;
    s.rw += jw * r;
    s.rb += r;
    s.rr += r * r;
}

HALDEN_VECTOR_CLONES
void normalSums(const Model& m, const double* x, const double* y, int n, NormalSums& s) {
    const Lanes all = Lanes{} + 1.0;
    Lanes xs, ys;
    int i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        load(x + i, xs);
        load(y + i, ys);
        addNormal(m, xs, ys, all, s);
    }
    if (i < n) {
        Tail t;
        tail(x, y, i, n, t);
        addNormal(m, t.x, t.y, t.keep, s);
    }
}

}  // namespace

double gaussExpNegative(double t) {
    Lanes g;
    peakFactor(Lanes{} + t, g);
    return g[0];
}

double gaussSquaredResiduals(const GaussParams& p, const double* x, const double* y, int n) {
    if (n <= 0) return 0;
    return squaredResiduals(Model(p), x, y, n);
}

GaussNormalEquations gaussNormalEquations(const GaussParams& p, const double* x, const double* y, int n) {
    GaussNormalEquations ne;
    if (n <= 0) return ne;
    NormalSums s;
    normalSums(Model(p), x, y, n, s);
    const double aa = total(s.aa), ac = total(s.ac), aw = total(s.aw), ab = total(s.ab);
    const double cc = total(s.cc), cw = total(s.cw), cb = total(s.cb);
    const double ww = total(s.ww), wb = total(s.wb);
    const double jtj[4][4] = {{aa, ac, aw, ab}, {ac, cc, cw, cb}, {aw, cw, ww, wb}, {ab, cb, wb, double(n)}};
    std::memcpy(ne.jtj, jtj, sizeof jtj);
    ne.jtr[0] = total(s.ra);
    ne.jtr[1] = total(s.rc);
    ne.jtr[2] = total(s.rw);
    ne.jtr[3] = total(s.rb);
    ne.sumOfSquares = total(s.rr);
    return ne;
}

}  // namespace halden
