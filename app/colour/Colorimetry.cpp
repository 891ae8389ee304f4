// CIE colorimetry (chromaticity, Robertson CCT, distance from the Planckian
// locus) and the CIE 13.3 test-sample colour rendering indices.
#include "colour/Colorimetry.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "colour/ColourTables.h"
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
    for (int i = w; i < last - w; ++i) {
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

// Nearest-point samples on the 1 nm grid by a forward scan that restarts at
// most 50 points back; of two equally near points the later one wins.
// Within the first 50 points the scan restarts from point 0: resuming where
// the last scan stopped would, for spacings above 1 nm, pass the nearest
// point and take each sample from a point ever further to the red.
void resampleToGrid(const double* intensity, const double* wavelength, int last, double* s) {
    // With non-decreasing wavelengths the distances along the scan fall, then
    // rise, so a scan that starts at the previous grid wavelength's point
    // ends where the one started 50 points back would: the same samples
    // without rescanning 50 points each time.
    bool rising = true;
    for (int i = 0; i < last; ++i) rising &= wavelength[i] <= wavelength[i + 1];
    if (rising) {
        int j = 0;
        for (int k = 0; k < kGridPoints; ++k) {
            const double grid = kGridFirstNm + k;
            double best = std::fabs(wavelength[j] - grid);
            while (j < last) {
                const double d = std::fabs(wavelength[j + 1] - grid);
                if (!(d <= best)) break;
                best = d;
                ++j;
            }
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

double isoDistance(const IsoTemperatureRow& row, double u, double v) {
    return ((v - row.v) - (u - row.u) * row.t) / std::sqrt(1 + row.t * row.t);
}

// Steps of Robertson's method: Tc (or -1) and, when found, DC.
void correlatedColourTemperature(double u, double v, ColorimetryResult& result) {
    double previous = isoDistance(IsoTemperatureTable[0], u, v);
    int crossing = -1;
    double current = previous;
    for (int i = 0; i < kIsoTemperatureRows; ++i) {
        current = isoDistance(IsoTemperatureTable[i], u, v);
        if (previous / current < 0) {
            crossing = i;
            break;
        }
        previous = current;
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

struct SampleSums {
    double X[kTestSamples], Y[kTestSamples], Z[kTestSamples];
};

// Tristimulus values of the 14 samples under a source, over 361..830 nm.
// The sums run across the 14 samples at each wavelength, so each sample's sum
// keeps its order while the samples vectorise (AVX2 where the CPU has it).
__attribute__((target_clones("avx2", "default"), optimize("tree-vectorize", "vect-cost-model=dynamic")))
void sampleSums(const double* s, SampleSums& out) {
    double X[kTestSamples] = {}, Y[kTestSamples] = {}, Z[kTestSamples] = {};
    for (int k = 1; k < kGridPoints; ++k) {
        const ObserverRow& o = ObserverTable[k];
        const double* beta = TestSampleTable[k].data();
        const double sk = s[k];
        for (int i = 0; i < kTestSamples; ++i) {
            const double bs = beta[i] * sk;
            X[i] += bs * o.x;
            Y[i] += bs * o.y;
            Z[i] += bs * o.z;
        }
    }
    for (int i = 0; i < kTestSamples; ++i) {
        out.X[i] = X[i];
        out.Y[i] = Y[i];
        out.Z[i] = Z[i];
    }
}

double adaptationC(double u, double v) { return (4 - u - 10 * v) / v; }
double adaptationD(double u, double v) { return (1.708 * v + 0.404 - 1.481 * u) / v; }

// Steps 8-13: reference at Tc, von Kries adaptation, U*V*W*, Ri, Ra, Re.
void colourRendering(const double* s, double kS, double u, double v, double tc,
                     ColorimetryResult& result) {
    double p[kGridPoints];
    for (int k = 0; k < kGridPoints; ++k) {
        const double lambda = kGridFirstNm + k;
        const double r = 1000 / lambda;
        p[k] = 1000 * (r * r * r * r * r) / (std::exp(kReferenceC2 / (lambda * tc)) - 1);
    }
    double Xr = 0, Yr = 0, Zr = 0;
    for (int k = 0; k < kGridPoints; ++k) {
        Xr += p[k] * ObserverTable[k].x;
        Yr += p[k] * ObserverTable[k].y;
        Zr += p[k] * ObserverTable[k].z;
    }
    const double kR = 100 / Yr;
    const Chromaticity white = ucs(Xr, Yr, Zr);

    SampleSums test, ref;
    sampleSums(s, test);
    sampleSums(p, ref);

    const double ct = adaptationC(u, v), dt = adaptationD(u, v);
    const double cRatio = adaptationC(white.u, white.v) / ct;
    const double dRatio = adaptationD(white.u, white.v) / dt;

    result[ColorimetryResult::kRa] = 0;
    result[ColorimetryResult::kRe] = 0;
    for (int i = 0; i < kTestSamples; ++i) {
        const Chromaticity r = ucs(ref.X[i], ref.Y[i], ref.Z[i]);
        const Chromaticity t = ucs(test.X[i], test.Y[i], test.Z[i]);
        const double cti = adaptationC(t.u, t.v), dti = adaptationD(t.u, t.v);
        const double den = 16.518 + 1.481 * cRatio * cti - dRatio * dti;
        const double ua = (10.872 + 0.404 * cRatio * cti - 4 * dRatio * dti) / den;
        const double va = 5.52 / den;

        const double wr = 25 * std::pow(kR * ref.Y[i], 0.33333) - 17;
        const double ur = 13 * wr * (r.u - white.u);
        const double vr = 13 * wr * (r.v - white.v);
        const double wt = 25 * std::pow(kS * test.Y[i], 0.33333) - 17;
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

    double X = 0, Y = 0, Z = 0;
    for (int k = 0; k < kGridPoints; ++k) {
        X += s[k] * ObserverTable[k].x;
        Y += s[k] * ObserverTable[k].y;
        Z += s[k] * ObserverTable[k].z;
    }
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
    colourRendering(s, kS, u, v, result[ColorimetryResult::kTc], result);
}

void computeStoreColorimetry(SpectrumStore& store) {
    double intensity[kPointCapacity];
    double wavelength[kPointCapacity];
    const double* spectrum = store.liveBuffer();
    int last;
    if (store.m_fast) {
        last = (kSpectrumPoints - 1) / 2;  // 1825: pixels 0, 2, ... 3650
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
    computeColorimetry(intensity, wavelength, last, store.m_colorimetry);
}

}  // namespace halden
