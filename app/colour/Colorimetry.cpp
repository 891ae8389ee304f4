// CIE colorimetry (chromaticity, Robertson CCT, distance from the Planckian
// locus) and the CIE 13.3 test-sample colour rendering indices.
#include "colour/Colorimetry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "colour/ColourRendition.h"
#include "colour/ColourTables.h"
#include "colour/RisingAxis.h"
#include "common/CpuDispatch.h"
#include "spectrum/SpectrumStore.h"

namespace halden {
namespace {

// Reference illuminant constant (nm K) of the colour rendering comparison.
constexpr double kReferenceC2 = 14404000.0;

// Half-width of the +-2 nm smoothing window for the given point spacing.
// Equal or falling first wavelengths (or a non-finite spacing) give no
// smoothing; the window never reaches past either end of the spectrum.
int smoothingHalfWidth(const double* wavelength, int last) {
    if (last < 1) return 0;
    const double step = wavelength[1] - wavelength[0];
    if (!(step > 0) || !std::isfinite(step)) return 0;
    const double w = 2.0 / step;
    const int maxW = last / 2;
    return w >= maxW ? maxW : static_cast<int>(w);
}

// In-place smoothing: each point is replaced as soon as its window mean is
// known, so a window's lower points already hold smoothed values. Points w
// and last - w are processed twice (end pass and middle pass). Running sums
// keep the cost independent of w.
void smoothInPlace(double* a, int last, int w) {
    if (w <= 0) return;
    // i = 0..w: mean of a[0..i+w].
    double sum = 0;
    for (int k = 0; k < w; ++k) sum += a[k];
    for (int i = 0; i <= w; ++i) {
        sum += a[i + w];
        const double m = sum / (i + w + 1);
        sum += m - a[i];
        a[i] = m;
    }
    // i = w..last-w: mean of a[i-w..i+w]. The next window's sum is
    // sum + mean - a[i] + entering - leaving = sum * (1 + 1/width) + rest,
    // which leaves one multiply and one add on the loop-carried path.
    sum = 0;
    for (int k = 0; k <= 2 * w; ++k) sum += a[k];
    const double inverseWidth = 1.0 / (2 * w + 1);
    const double growth = 1.0 + inverseWidth;
    int i = w;
    if (w >= 4) {
        // Four points per step: with w >= 4 the rests of points i..i+3 only
        // read means written before the step, so the sums of all four follow
        // from the step's first sum, sum_j = sum * growth^j + rest_j, and the
        // loop-carried path is one multiply and one add per four points.
        const double growth2 = growth * growth, growth3 = growth2 * growth, growth4 = growth3 * growth;
        for (; i + 4 <= last - w; i += 4) {
            const double r0 = (a[i + w + 1] - a[i]) - a[i - w];
            const double r1 = (a[i + w + 2] - a[i + 1]) - a[i + 1 - w];
            const double r2 = (a[i + w + 3] - a[i + 2]) - a[i + 2 - w];
            const double r3 = (a[i + w + 4] - a[i + 3]) - a[i + 3 - w];
            const double rest2 = r0 * growth + r1;
            const double rest3 = rest2 * growth + r2;
            const double rest4 = rest3 * growth + r3;
            a[i] = sum * inverseWidth;
            a[i + 1] = (sum * growth + r0) * inverseWidth;
            a[i + 2] = (sum * growth2 + rest2) * inverseWidth;
            a[i + 3] = (sum * growth3 + rest3) * inverseWidth;
            sum = sum * growth4 + rest4;
        }
    }
    for (; i < last - w; ++i) {
        const double rest = (a[i + w + 1] - a[i]) - a[i - w];
        a[i] = sum * inverseWidth;
        sum = sum * growth + rest;
    }
    {
        const int i = last - w;
        a[i] = sum * inverseWidth;
    }
    // i = last-w..last: mean of a[i-w..last].
    sum = 0;
    for (int k = last - 2 * w; k <= last; ++k) sum += a[k];
    for (int i = last - w; i <= last; ++i) {
        const double m = sum / (last - i + w + 1);
        sum += m - a[i];
        a[i] = m;
        sum -= a[i - w];
    }
}

// On a rising axis: below[k] = the last point whose wavelength is at most
// grid wavelength k (-1 when there is none). A point lies at or below the
// grid wavelengths from ceil(w) on. Every eighth point from the first above
// the grid's start goes to its bin (the last write to a bin is its last such
// point); a running maximum gives the last of them at or below each grid
// wavelength, and a search over the seven points after it the point itself.
void lastPointsAtOrBelowGrid(const double* wavelength, int last, int* below) {
    constexpr int kStride = 8;
    constexpr double lastGridNm = kGridFirstNm + kGridPoints - 1;
    const double* end = wavelength + last + 1;
    const int first = static_cast<int>(std::upper_bound(wavelength, end, double(kGridFirstNm)) - wavelength);
    const int beyond = static_cast<int>(std::upper_bound(wavelength + first, end, lastGridNm) - wavelength);
    int coarse[kGridPoints];
    std::fill(coarse, coarse + kGridPoints, -1);
    for (int p = first; p < beyond; p += kStride) {
        const int whole = static_cast<int>(wavelength[p]);  // 360 < wavelength <= 830: ceil without a library call
        coarse[whole + (whole < wavelength[p]) - kGridFirstNm] = p;
    }
    int run = -1;
    for (int k = 0; k < kGridPoints; ++k) {
        const double grid = kGridFirstNm + k;
        run = std::max(run, coarse[k]);
        int p = run < 0 ? first - 1 : run;  // points before first lie at or below every grid wavelength
        if (run >= 0 && p + kStride - 1 <= last) {
            // Points p + 1 .. p + 7: those at or below the grid wavelength come
            // first (points from beyond on lie above every grid wavelength).
            p += 4 * (wavelength[p + 4] <= grid);
            p += 2 * (wavelength[p + 2] <= grid);
            p += (wavelength[p + 1] <= grid);
        } else if (run >= 0) {
            while (p < last && wavelength[p + 1] <= grid) ++p;
        }
        below[k] = p;
    }
}

// From point j, at or below grid wavelength grid and past every point
// before it that is nearer, the point a forward scan ends on: the next point
// when it is as near or nearer (one comparison without a branch), then on
// through points as near or nearer, which only happens for repeated
// wavelengths.
inline int scanToNearest(const double* wavelength, int last, int j, double grid) {
    double best = std::fabs(wavelength[j] - grid);
    if (j < last) {
        const double d = std::fabs(wavelength[j + 1] - grid);
        const bool nearer = d <= best;
        best = nearer ? d : best;
        j += nearer;
    }
    while (j < last) {
        const double d = std::fabs(wavelength[j + 1] - grid);
        if (!(d <= best)) break;
        best = d;
        ++j;
    }
    return j;
}

// Nearest-point samples on the 1 nm grid by a forward scan that restarts at
// most 50 points back; of two equally near points the later one wins.
// Within the first 50 points the scan restarts from point 0: resuming where
// the last scan stopped would, for spacings above 1 nm, pass the nearest
// point and take each sample from a point ever further to the red.
void resampleToGrid(const double* intensity, const double* wavelength, int last, double* s) {
    // With non-decreasing wavelengths the distances along the scan fall, then
    // rise, so a scan that starts at the previous grid wavelength's point
    // ends where the one started 50 points back would: the same samples
    // without rescanning 50 points each time. The scan also passes every
    // point up to the last one at or below the grid wavelength (their
    // distances do not grow), so it may start there.
    if (wavelengthsRise(wavelength, last)) {
        int below[kGridPoints];
        lastPointsAtOrBelowGrid(wavelength, last, below);
        // The scan of grid wavelength k starts at max(previous end, below[k]).
        // Where no previous end passes the next below[] (the axis has a point
        // in every nanometre and no long runs of equal wavelengths) it starts
        // at below[k] alone: then every grid wavelength is independent of the
        // last and the scans overlap in time. Otherwise the chained scan runs.
        bool independent = true;
        int previousEnd = 0;
        for (int k = 0; k < kGridPoints; ++k) {
            const int start = std::max(0, below[k]);
            independent &= previousEnd <= start;
            previousEnd = scanToNearest(wavelength, last, start, kGridFirstNm + k);
            s[k] = intensity[previousEnd];
        }
        if (independent) return;
        int j = 0;
        for (int k = 0; k < kGridPoints; ++k) {
            j = scanToNearest(wavelength, last, std::max(j, below[k]), kGridFirstNm + k);
            s[k] = intensity[j];
        }
        return;
    }
    int j = 0;
    for (int k = 0; k < kGridPoints; ++k) {
        const double grid = kGridFirstNm + k;
        j = j > 50 ? j - 50 : 0;
        double best = 100000.0;
        while (j <= last) {
            const double d = std::fabs(wavelength[j] - grid);
            if (!(d <= best)) break;
            best = d;
            ++j;
        }
        // j is 0 only when not even the first point could be compared (a
        // non-finite wavelength); take that point rather than read before it.
        s[k] = intensity[j > 0 ? j - 1 : 0];
    }
}

struct Chromaticity {
    double u, v;
};

Chromaticity ucs(double X, double Y, double Z) {
    const double sum = X + Y + Z;
    const double x = X / sum, y = Y / sum;
    const double den = -2 * x + 12 * y + 3;
    return {4 * x / den, 6 * y / den};
}

double isoNumerator(const IsoTemperatureRow& row, double u, double v) { return (v - row.v) - (u - row.u) * row.t; }

double isoDistance(const IsoTemperatureRow& row, double u, double v) {
    return isoNumerator(row, u, v) / std::sqrt(1 + row.t * row.t);
}

// Steps of Robertson's method: Tc (or -1) and, when found, DC.
// A distance has the sign of its numerator (the root is positive), and a
// negative quotient of two distances needs opposite signs, so the rows are
// scanned on numerators; only where the sign bit flips are the two
// distances and their quotient computed.
void correlatedColourTemperature(double u, double v, ColorimetryResult& result) {
    bool previousNegative = std::signbit(isoNumerator(IsoTemperatureTable[0], u, v));
    int crossing = -1;
    double previous = 0, current = 0;
    for (int i = 1; i < kIsoTemperatureRows; ++i) {
        const bool negative = std::signbit(isoNumerator(IsoTemperatureTable[i], u, v));
        if (negative != previousNegative) {
            previous = isoDistance(IsoTemperatureTable[i - 1], u, v);
            current = isoDistance(IsoTemperatureTable[i], u, v);
            if (previous / current < 0) {
                crossing = i;
                break;
            }
        }
        previousNegative = negative;
    }
    if (crossing < 0) {
        result[ColorimetryResult::kTc] = -1;
        return;
    }
    const IsoTemperatureRow& a = IsoTemperatureTable[crossing - 1];
    const IsoTemperatureRow& b = IsoTemperatureTable[crossing];
    const double f = previous / (previous - current);
    result[ColorimetryResult::kTc] = 1 / (1 / a.T + f * (1 / b.T - 1 / a.T));
    const double uT = 1 / (1 / a.u + f * (1 / b.u - 1 / a.u));
    const double vT = 1 / (1 / a.v + f * (1 / b.v - 1 / a.v));
    result[ColorimetryResult::kDC] = std::sqrt((uT - u) * (uT - u) + (vT - v) * (vT - v));
}

// Plain tristimulus sums of a spectrum on the grid (360..830 nm) and those of
// the 14 samples under it (361..830 nm).
struct SpectrumSums {
    double X, Y, Z;
    double sampleX[16], sampleY[16], sampleZ[16];  // samples 1..14, two padding lanes
};

using Lanes = double __attribute__((vector_size(64)));  // eight doubles

// TestSampleTable with each row padded to 16 lanes (samples 9..14 and two
// zero lanes in the second half), aligned for whole-vector loads.
struct alignas(64) PaddedSampleRow {
    double beta[16];
};

const std::array<PaddedSampleRow, kGridPoints>& paddedSampleTable() {
    static const std::array<PaddedSampleRow, kGridPoints> table = [] {
        std::array<PaddedSampleRow, kGridPoints> t{};
        for (int k = 0; k < kGridPoints; ++k)
            std::copy(TestSampleTable[k].begin(), TestSampleTable[k].end(), t[k].beta);
        return t;
    }();
    return table;
}

// One pass over the grid. Each sample's sum keeps its order of terms while
// the 14 samples run side by side in vector lanes (AVX-512 or AVX2 where the
// CPU has it); the products are formed as (beta x S) x observer, as written,
// and never fused into multiply-adds, so every clone gives the same bits.
HALDEN_VECTOR_CLONES  // no fusing: -ffp-contract=off
void spectrumSums(const double* s, const PaddedSampleRow* samples, SpectrumSums& out) {
    double X = 0, Y = 0, Z = 0;
    X += s[0] * ObserverTable[0].x;
    Y += s[0] * ObserverTable[0].y;
    Z += s[0] * ObserverTable[0].z;
    Lanes xLow = {}, xHigh = {}, yLow = {}, yHigh = {}, zLow = {}, zHigh = {};
    for (int k = 1; k < kGridPoints; ++k) {
        const ObserverRow& o = ObserverTable[k];
        const double sk = s[k];
        X += sk * o.x;
        Y += sk * o.y;
        Z += sk * o.z;
        Lanes low, high;
        std::memcpy(&low, samples[k].beta, sizeof low);
        std::memcpy(&high, samples[k].beta + 8, sizeof high);
        low *= sk;
        high *= sk;
        xLow += low * o.x;
        xHigh += high * o.x;
        yLow += low * o.y;
        yHigh += high * o.y;
        zLow += low * o.z;
        zHigh += high * o.z;
    }
    out.X = X;
    out.Y = Y;
    out.Z = Z;
    std::memcpy(out.sampleX, &xLow, sizeof xLow);
    std::memcpy(out.sampleX + 8, &xHigh, sizeof xHigh);
    std::memcpy(out.sampleY, &yLow, sizeof yLow);
    std::memcpy(out.sampleY + 8, &yHigh, sizeof yHigh);
    std::memcpy(out.sampleZ, &zLow, sizeof zLow);
    std::memcpy(out.sampleZ + 8, &zHigh, sizeof zHigh);
}

// 1000 x (1000/lambda)^5 of the reference radiator on the grid, evaluated as
// the formula is written.
constexpr std::array<double, kGridPoints> kPlanckScale = [] {
    std::array<double, kGridPoints> t{};
    for (int k = 0; k < kGridPoints; ++k) {
        const double lambda = kGridFirstNm + k;
        const double r = 1000 / lambda;
        t[k] = 1000 * (r * r * r * r * r);
    }
    return t;
}();

// The two divisions of the reference radiator, eight grid wavelengths at a
// time (the last block runs past the grid into the padding of the scratch
// copy). Every clone gives the same bits.
using GridLanes = double __attribute__((vector_size(64)));
constexpr int kGridBlocks = (kGridPoints + 7) / 8;

HALDEN_VECTOR_CLONES
void planckExponents(double tc, double* p) {  // kReferenceC2 / (lambda * tc)
    double out[kGridBlocks * 8];
    for (int b = 0; b < kGridBlocks; ++b) {
        const GridLanes lambda = GridLanes{0, 1, 2, 3, 4, 5, 6, 7} + double(kGridFirstNm + 8 * b);
        const GridLanes e = kReferenceC2 / (lambda * tc);
        std::memcpy(out + 8 * b, &e, sizeof e);
    }
    std::memcpy(p, out, kGridPoints * sizeof(double));
}

HALDEN_VECTOR_CLONES
void planckQuotients(double* p) {  // kPlanckScale / (exp - 1), in place
    double in[kGridBlocks * 8] = {};
    double scale[kGridBlocks * 8] = {};
    std::memcpy(in, p, kGridPoints * sizeof(double));
    std::memcpy(scale, kPlanckScale.data(), kGridPoints * sizeof(double));
    for (int b = 0; b < kGridBlocks; ++b) {
        GridLanes e, c;
        std::memcpy(&e, in + 8 * b, sizeof e);
        std::memcpy(&c, scale + 8 * b, sizeof c);
        const GridLanes q = c / (e - 1);
        std::memcpy(in + 8 * b, &q, sizeof q);
    }
    std::memcpy(p, in, kGridPoints * sizeof(double));
}

double adaptationC(double u, double v) { return (4 - u - 10 * v) / v; }
double adaptationD(double u, double v) { return (1.708 * v + 0.404 - 1.481 * u) / v; }

// Steps 8-13: reference at Tc, von Kries adaptation, U*V*W*, Ri, Ra, Re.
void colourRendering(const SpectrumSums& test, double kS, double u, double v, double tc,
                     ColorimetryResult& result) {
    // p[k] = kPlanckScale[k] / (exp(kReferenceC2 / (lambda * tc)) - 1), in
    // three passes so that the divisions run in vector lanes around the
    // calls to exp.
    double p[kGridPoints];
    planckExponents(tc, p);
    for (int k = 0; k < kGridPoints; ++k) p[k] = std::exp(p[k]);
    planckQuotients(p);
    SpectrumSums ref;
    spectrumSums(p, paddedSampleTable().data(), ref);
    const double kR = 100 / ref.Y;
    const Chromaticity white = ucs(ref.X, ref.Y, ref.Z);

    const double ct = adaptationC(u, v), dt = adaptationD(u, v);
    const double cRatio = adaptationC(white.u, white.v) / ct;
    const double dRatio = adaptationD(white.u, white.v) / dt;

    result[ColorimetryResult::kRa] = 0;
    result[ColorimetryResult::kRe] = 0;
    for (int i = 0; i < kTestSamples; ++i) {
        const Chromaticity r = ucs(ref.sampleX[i], ref.sampleY[i], ref.sampleZ[i]);
        const Chromaticity t = ucs(test.sampleX[i], test.sampleY[i], test.sampleZ[i]);
        const double cti = adaptationC(t.u, t.v), dti = adaptationD(t.u, t.v);
        const double den = 16.518 + 1.481 * cRatio * cti - dRatio * dti;
        const double ua = (10.872 + 0.404 * cRatio * cti - 4 * dRatio * dti) / den;
        const double va = 5.52 / den;

        const double wr = 25 * std::pow(kR * ref.sampleY[i], 0.33333) - 17;
        const double ur = 13 * wr * (r.u - white.u);
        const double vr = 13 * wr * (r.v - white.v);
        const double wt = 25 * std::pow(kS * test.sampleY[i], 0.33333) - 17;
        const double ut = 13 * wt * (ua - white.u);
        const double vt = 13 * wt * (va - white.v);

        const double dE = std::sqrt((ur - ut) * (ur - ut) + (vr - vt) * (vr - vt) + (wr - wt) * (wr - wt));
        const double ri = 100 - 4.6 * dE;
        result[ColorimetryResult::kDeltaE1 + i] = dE;
        result[ColorimetryResult::kR1 + i] = ri;
        if (i < 8) result[ColorimetryResult::kRa] += ri;
        result[ColorimetryResult::kRe] += ri;
    }
    result[ColorimetryResult::kRa] /= 8;
    result[ColorimetryResult::kRe] /= 14;
}

}  // namespace

void computeColorimetry(double* intensity, double* wavelength, int last, ColorimetryResult& result) {
    if (last < 0) last = 0;
    if (last >= 1 && wavelength[0] > wavelength[1]) {
        for (int i = 0, j = last; i < j; ++i, --j) {
            std::swap(intensity[i], intensity[j]);
            std::swap(wavelength[i], wavelength[j]);
        }
    }
    smoothInPlace(intensity, last, smoothingHalfWidth(wavelength, last));

    double s[kGridPoints];
    resampleToGrid(intensity, wavelength, last, s);
    s[0] = 0;

    SpectrumSums test;
    spectrumSums(s, paddedSampleTable().data(), test);
    const double X = test.X, Y = test.Y, Z = test.Z;
    const double kS = 100 / Y;
    const double sum = X + Y + Z;
    const double x = X / sum, y = Y / sum;
    const double den = -2 * x + 12 * y + 3;
    const double u = 4 * x / den, v = 6 * y / den;
    result[ColorimetryResult::kX] = x;
    result[ColorimetryResult::kY] = y;
    result[ColorimetryResult::kZ] = Z / sum;
    result[ColorimetryResult::kU] = u;
    result[ColorimetryResult::kV] = v;

    correlatedColourTemperature(u, v, result);
    colourRendering(test, kS, u, v, result[ColorimetryResult::kTc], result);
}

namespace {

// Row 0 of the displayed buffer times the irradiance correction; returns the
// last point written.
int storeSpectrum(const SpectrumStore& store, double* intensity, double* wavelength) {
    const double* spectrum = store.liveBuffer();
    int last;
    if (store.m_liveAcquisition.fast()) {
        last = kSpectrumPoints / 2 - 1;  // 1825: pixels 0, 2, ... 3650
        for (int i = 0; i <= last; ++i) {
            intensity[i] = spectrum[i] * store.m_irradianceCal[2 * i];
            wavelength[i] = store.m_wavelength[2 * i];
        }
    } else {
        last = std::min<int>(store.m_rangeLast, kPointCapacity - 1);
        for (int i = 0; i <= last; ++i) {
            intensity[i] = spectrum[i] * store.m_irradianceCal[i];
            wavelength[i] = store.m_wavelength[i];
        }
    }
    return last;
}

}  // namespace

ColorimetryResult storeColorimetry(const SpectrumStore& store) {
    double intensity[kPointCapacity];
    double wavelength[kPointCapacity];
    const int last = storeSpectrum(store, intensity, wavelength);
    ColorimetryResult result{};
    computeColorimetry(intensity, wavelength, last, result);
    return result;
}

ColourRendition storeColourRendition(const SpectrumStore& store) {
    double intensity[kPointCapacity];
    double wavelength[kPointCapacity];
    const int last = storeSpectrum(store, intensity, wavelength);
    return computeColourRendition(intensity, wavelength, last);
}

}  // namespace halden
