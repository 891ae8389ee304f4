// CIE 2017 colour fidelity and the TM-30 hue-bin figures. Everything that
// does not depend on the test spectrum (sample tables laid out for the sums,
// the Planckian locus with its derivatives, the viewing conditions) is built
// once, so one spectrum costs one grid resampling, one reference spectrum,
// 99 x 6 dot products and 200 colour appearance conversions.
#include "colour/ColourRendition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "colour/CFormat.h"
#include "colour/FigureConstants.h"
#include "colour/RenditionTables.h"
#include "common/CpuDispatch.h"

namespace halden {
namespace {

constexpr int kPoints = kRenditionPoints;
constexpr int kPaddedPoints = (kPoints + 3) / 4 * 4;  // 404: whole four-lane blocks
constexpr double kC2 = 1.4388e7;                      // second radiation constant, nm K
constexpr double kFidelityScale = 6.73;

// The Planckian locus is tabulated per mired from 10 (100000 K) to 1000
// (1000 K), with its derivatives, and interpolated by cubic Hermite pieces.
constexpr int kLocusFirstMired = 10;
constexpr int kLocusRows = 991;

using Quad = double __attribute__((vector_size(32)));  // four doubles

struct LocusRow {
    double u, v, du, dv;  // chromaticity and its derivative per mired
};

struct Tables {
    // Sample-major radiance factors, each row padded with zeros.
    alignas(32) double beta[kEvaluationSamples][kPaddedPoints];
    double x2[kPoints], y2[kPoints], z2[kPoints];  // 1931 2 degree observer on the grid
    LocusRow locus[kLocusRows];
};

double planck(double nm, double kelvin) { return std::pow(nm, -5.0) / std::expm1(kC2 / (nm * kelvin)); }

LocusRow locusAt(const Tables& t, double mired) {
    const double kelvin = 1e6 / mired;
    double X = 0, Y = 0, Z = 0, dX = 0, dY = 0, dZ = 0;
    for (int k = 0; k < kPoints; ++k) {
        const double nm = kRenditionFirstNm + k;
        const double a = kC2 / (nm * kelvin);
        const double em1 = std::expm1(a);
        const double p = std::pow(nm, -5.0) / em1;
        // dP/dmired = dP/dT * dT/dmired, dT/dmired = -T^2 / 1e6.
        const double dp = p * (em1 + 1) / em1 * a / kelvin * (-kelvin * kelvin / 1e6);
        X += p * t.x2[k];
        Y += p * t.y2[k];
        Z += p * t.z2[k];
        dX += dp * t.x2[k];
        dY += dp * t.y2[k];
        dZ += dp * t.z2[k];
    }
    const double d = X + 15 * Y + 3 * Z, dd = dX + 15 * dY + 3 * dZ;
    return {4 * X / d, 6 * Y / d, 4 * (dX * d - X * dd) / (d * d), 6 * (dY * d - Y * dd) / (d * d)};
}

const Tables& tables() {
    static const Tables* const t = [] {
        auto* n = new Tables{};
        for (int i = 0; i < kEvaluationSamples; ++i)
            for (int k = 0; k < kPoints; ++k) n->beta[i][k] = EvaluationSampleTable[k][i];
        for (int k = 0; k < kPoints; ++k) {
            const ObserverRow& o = ObserverTable[k + kRenditionFirstNm - kGridFirstNm];
            n->x2[k] = o.x;
            n->y2[k] = o.y;
            n->z2[k] = o.z;
        }
        for (int r = 0; r < kLocusRows; ++r) n->locus[r] = locusAt(*n, kLocusFirstMired + r);
        return n;
    }();
    return *t;
}

// ---------------------------------------------------------------- resampling

// The spectrum linearly interpolated at 380..780 nm, or a message saying
// why it cannot be.
std::string resampleToRenditionGrid(const double* intensity, const double* wavelength, int last, double* s) {
    if (last < 1) return "the spectrum has fewer than two points";
    const bool rising = wavelength[0] < wavelength[last];
    auto nm = [&](int i) { return wavelength[rising ? i : last - i]; };
    auto value = [&](int i) { return intensity[rising ? i : last - i]; };
    for (int i = 0; i <= last; ++i)
        if (!std::isfinite(wavelength[i])) return "the spectrum has a wavelength that is not a number";
    for (int i = 0; i < last; ++i)
        if (!(nm(i) < nm(i + 1))) return "the wavelengths neither rise nor fall throughout";
    if (nm(0) > kRenditionFirstNm || nm(last) < kRenditionLastNm)
        return cformat("the spectrum covers %.1f-%.1f nm; colour rendition needs all of %d-%d nm", nm(0), nm(last),
                       kRenditionFirstNm, kRenditionLastNm);
    int j = 0;  // nm(j) <= grid < nm(j + 1), or nm(j) == grid
    for (int k = 0; k < kPoints; ++k) {
        const double grid = kRenditionFirstNm + k;
        while (j + 1 <= last && nm(j + 1) <= grid) ++j;
        if (nm(j) == grid) {
            s[k] = value(j);
        } else {
            const double w0 = nm(j), w1 = nm(j + 1);
            if (w1 - w0 > kMaxGapNm)
                return cformat("the spectrum has no point between %.2f and %.2f nm (at most %.0f nm apart)", w0, w1,
                               kMaxGapNm);
            const double f = (grid - w0) / (w1 - w0);
            s[k] = value(j) + f * (value(j + 1) - value(j));
        }
        if (!std::isfinite(s[k])) return cformat("the spectrum has a value that is not a number near %.0f nm", grid);
    }
    return {};
}

// ------------------------------------------------------------ temperature

struct LocusPoint {
    double u, v, du, dv;
};

// Cubic Hermite piece between locus rows r and r + 1 at s in [0, 1].
LocusPoint hermite(const LocusRow& a, const LocusRow& b, double s) {
    const double s2 = s * s, s3 = s2 * s;
    const double h00 = 2 * s3 - 3 * s2 + 1, h10 = s3 - 2 * s2 + s, h01 = -2 * s3 + 3 * s2, h11 = s3 - s2;
    const double d00 = 6 * s2 - 6 * s, d10 = 3 * s2 - 4 * s + 1, d01 = -6 * s2 + 6 * s, d11 = 3 * s2 - 2 * s;
    return {h00 * a.u + h10 * a.du + h01 * b.u + h11 * b.du, h00 * a.v + h10 * a.dv + h01 * b.v + h11 * b.dv,
            d00 * a.u + d10 * a.du + d01 * b.u + d11 * b.du, d00 * a.v + d10 * a.dv + d01 * b.v + d11 * b.dv};
}

// Foot of the perpendicular from (u, v) on the piece after row r: s in [0, 1].
double footOnPiece(const LocusRow& a, const LocusRow& b, double u, double v) {
    double s = 0.5;
    for (int it = 0; it < 30; ++it) {
        // g(s) = (p - q) . p'; its derivative by a central difference keeps
        // the step free of second derivatives of the piece.
        auto g = [&](double x) {
            const LocusPoint p = hermite(a, b, x);
            return (p.u - u) * p.du + (p.v - v) * p.dv;
        };
        const double h = 1e-4;
        const double gs = g(s), dg = (g(s + h) - g(s - h)) / (2 * h);
        if (!(dg > 0)) break;
        const double next = std::clamp(s - gs / dg, 0.0, 1.0);
        if (std::fabs(next - s) < 1e-12) {
            s = next;
            break;
        }
        s = next;
    }
    return s;
}

}  // namespace

bool planckianTemperature(double u, double v, double& cct, double& duv) {
    if (!std::isfinite(u) || !std::isfinite(v)) return false;
    const Tables& t = tables();
    int nearest = 0;
    double best = INFINITY;
    for (int r = 0; r < kLocusRows; ++r) {
        const double du = t.locus[r].u - u, dv = t.locus[r].v - v;
        const double d = du * du + dv * dv;
        if (d < best) {
            best = d;
            nearest = r;
        }
    }
    double bestMired = kLocusFirstMired + nearest;
    double bestDistance = std::sqrt(best);
    double bestV = t.locus[nearest].v;
    for (int r = std::max(0, nearest - 1); r <= std::min(kLocusRows - 2, nearest); ++r) {
        const double s = footOnPiece(t.locus[r], t.locus[r + 1], u, v);
        const LocusPoint p = hermite(t.locus[r], t.locus[r + 1], s);
        const double d = std::hypot(p.u - u, p.v - v);
        if (d < bestDistance) {
            bestDistance = d;
            bestMired = kLocusFirstMired + r + s;
            bestV = p.v;
        }
    }
    constexpr double lastMired = kLocusFirstMired + kLocusRows - 1;
    if (bestMired <= kLocusFirstMired + 1e-9 || bestMired >= lastMired - 1e-9) return false;
    cct = 1e6 / bestMired;
    duv = v >= bestV ? bestDistance : -bestDistance;
    return true;
}

void renditionReference(double cct, double* out) {
    const Tables& t = tables();
    double planckian[kPoints], daylight[kPoints];
    if (cct <= 5000)
        for (int k = 0; k < kPoints; ++k) planckian[k] = planck(kRenditionFirstNm + k, cct);
    if (cct >= 4000) {
        const double t1 = 1 / cct, t2 = t1 * t1, t3 = t2 * t1;
        const double xD = cct <= 7000 ? -4.6070e9 * t3 + 2.9678e6 * t2 + 0.09911e3 * t1 + 0.244063
                                      : -2.0064e9 * t3 + 1.9018e6 * t2 + 0.24748e3 * t1 + 0.237040;
        const double yD = -3.000 * xD * xD + 2.870 * xD - 0.275;
        const double M = 0.0241 + 0.2562 * xD - 0.7341 * yD;
        const double M1 = (-1.3515 - 1.7703 * xD + 5.9114 * yD) / M;
        const double M2 = (0.0300 - 31.4424 * xD + 30.0717 * yD) / M;
        for (int k = 0; k < kPoints; ++k)
            daylight[k] = DaylightTable[k].s0 + M1 * DaylightTable[k].s1 + M2 * DaylightTable[k].s2;
    }
    if (cct < 4000) {
        std::copy(planckian, planckian + kPoints, out);
    } else if (cct > 5000) {
        std::copy(daylight, daylight + kPoints, out);
    } else {
        // Both scaled to the same luminance, then mixed in proportion.
        double yp = 0, yd = 0;
        for (int k = 0; k < kPoints; ++k) {
            yp += planckian[k] * t.y2[k];
            yd += daylight[k] * t.y2[k];
        }
        const double m = (cct - 4000) / 1000;
        for (int k = 0; k < kPoints; ++k) out[k] = (1 - m) * planckian[k] / yp + m * daylight[k] / yd;
    }
}

double fidelityOfDifference(double deltaE) { return 10 * std::log1p(std::exp((100 - kFidelityScale * deltaE) / 10)); }

namespace {

// ------------------------------------------------- tristimulus of the samples

struct SampleSums {
    double X[kEvaluationSamples], Y[kEvaluationSamples], Z[kEvaluationSamples];
};

// X, Y, Z of every sample under two illuminants at once: the weighted
// observer functions wx..wz (test) and rx..rz (reference), each padded to
// kPaddedPoints, dotted with each sample's radiance factors, four
// wavelengths per step.
HALDEN_VECTOR_CLONES
void sampleSums(const Tables& t, const double* w, SampleSums& test, SampleSums& reference) {
    const double* wx = w;
    const double* wy = w + kPaddedPoints;
    const double* wz = w + 2 * kPaddedPoints;
    const double* rx = w + 3 * kPaddedPoints;
    const double* ry = w + 4 * kPaddedPoints;
    const double* rz = w + 5 * kPaddedPoints;
    for (int i = 0; i < kEvaluationSamples; ++i) {
        const double* b = t.beta[i];
        Quad ax = {}, ay = {}, az = {}, bx = {}, by = {}, bz = {};
        for (int k = 0; k < kPaddedPoints; k += 4) {
            Quad beta, q;
            std::memcpy(&beta, b + k, sizeof beta);
            std::memcpy(&q, wx + k, sizeof q);
            ax += beta * q;
            std::memcpy(&q, wy + k, sizeof q);
            ay += beta * q;
            std::memcpy(&q, wz + k, sizeof q);
            az += beta * q;
            std::memcpy(&q, rx + k, sizeof q);
            bx += beta * q;
            std::memcpy(&q, ry + k, sizeof q);
            by += beta * q;
            std::memcpy(&q, rz + k, sizeof q);
            bz += beta * q;
        }
        test.X[i] = ax[0] + ax[1] + ax[2] + ax[3];
        test.Y[i] = ay[0] + ay[1] + ay[2] + ay[3];
        test.Z[i] = az[0] + az[1] + az[2] + az[3];
        reference.X[i] = bx[0] + bx[1] + bx[2] + bx[3];
        reference.Y[i] = by[0] + by[1] + by[2] + by[3];
        reference.Z[i] = bz[0] + bz[1] + bz[2] + bz[3];
    }
}

// --------------------------------------------------------------- CAM02-UCS

// CIECAM02 viewing conditions of the method: adapting luminance 100 cd/m2,
// background Yb 20, average surround, complete adaptation.
struct Viewing {
    double FL, n, Nbb, z, cz, FL025, chromaScale;
};

const Viewing& viewing() {
    static const Viewing v = [] {
        const double La = 100, Yb = 20, Yw = 100, c = 0.69;
        const double k = 1 / (5 * La + 1), k4 = k * k * k * k;
        Viewing r{};
        r.FL = 0.2 * k4 * (5 * La) + 0.1 * (1 - k4) * (1 - k4) * std::cbrt(5 * La);
        r.n = Yb / Yw;
        r.Nbb = 0.725 * std::pow(1 / r.n, 0.2);
        r.z = 1.48 + std::sqrt(r.n);
        r.cz = c * r.z;
        r.FL025 = std::pow(r.FL, 0.25);
        r.chromaScale = std::pow(1.64 - std::pow(0.29, r.n), 0.73);
        return r;
    }();
    return v;
}

using Matrix = std::array<std::array<double, 3>, 3>;

constexpr Matrix kCat02 = {{{0.7328, 0.4296, -0.1624}, {-0.7036, 1.6975, 0.0061}, {0.0030, 0.0136, 0.9834}}};
constexpr Matrix kHpe = {{{0.38971, 0.68898, -0.07868}, {-0.22981, 1.18340, 0.04641}, {0.0, 0.0, 1.0}}};

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    return r;
}

Matrix inverse(const Matrix& m) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix r{};
    r[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    r[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    r[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    return r;
}

const Matrix& hpeFromCat02() {
    static const Matrix m = multiply(kHpe, inverse(kCat02));
    return m;
}

double compress(double x, double FL) {  // post-adaptation response
    const double p = std::pow(FL * std::fabs(x) / 100, 0.42);
    const double r = 400 * p / (p + 27.13);
    return (x < 0 ? -r : r) + 0.1;
}

// One illuminant's adaptation: XYZ (white scaled to Y = 100) to the cone
// responses, and the white's achromatic response.
struct Adaptation {
    Matrix toCones;
    double Aw;
};

Adaptation adaptTo(double Xw, double Yw, double Zw) {
    const Viewing& vc = viewing();
    double rgb[3];
    for (int i = 0; i < 3; ++i) rgb[i] = kCat02[i][0] * Xw + kCat02[i][1] * Yw + kCat02[i][2] * Zw;
    Matrix scale{};
    for (int i = 0; i < 3; ++i) scale[i][i] = 100 / rgb[i];  // complete adaptation, white Y = 100
    Adaptation a{multiply(hpeFromCat02(), multiply(scale, kCat02)), 0};
    double c[3];
    for (int i = 0; i < 3; ++i) c[i] = compress(a.toCones[i][0] * Xw + a.toCones[i][1] * Yw + a.toCones[i][2] * Zw, vc.FL);
    a.Aw = (2 * c[0] + c[1] + c[2] / 20 - 0.305) * vc.Nbb;
    return a;
}

struct Ucs {
    double J, a, b;  // CAM02-UCS J', a', b'
};

Ucs toUcs(const Adaptation& ad, double X, double Y, double Z) {
    const Viewing& vc = viewing();
    const Matrix& m = ad.toCones;
    const double R = compress(m[0][0] * X + m[0][1] * Y + m[0][2] * Z, vc.FL);
    const double G = compress(m[1][0] * X + m[1][1] * Y + m[1][2] * Z, vc.FL);
    const double B = compress(m[2][0] * X + m[2][1] * Y + m[2][2] * Z, vc.FL);
    const double a = R - 12 * G / 11 + B / 11;
    const double b = (R + G - 2 * B) / 9;
    const double A = (2 * R + G + B / 20 - 0.305) * vc.Nbb;
    const double J = 100 * std::pow(A / ad.Aw, vc.cz);
    const double r = std::hypot(a, b);
    const double ch = r > 0 ? a / r : 1, sh = r > 0 ? b / r : 0;
    // e_t = (cos(h + 2) + 3.8) / 4, with cos(h + 2) = cos h cos 2 - sin h sin 2.
    static const double cos2 = std::cos(2.0), sin2 = std::sin(2.0);
    const double et = 0.25 * (ch * cos2 - sh * sin2 + 3.8);
    const double t = (50000.0 / 13 * vc.Nbb * et * r) / (R + G + 21 * B / 20);  // Nc = 1, Ncb = Nbb
    const double C = std::pow(t, 0.9) * std::sqrt(J / 100) * vc.chromaScale;
    const double M = C * vc.FL025;
    const double Mp = std::log1p(0.0228 * M) / 0.0228;
    return {1.7 * J / (1 + 0.007 * J), Mp * ch, Mp * sh};
}

double polygonArea(const double* x, const double* y, const bool* use) {
    double area = 0;
    int first = -1, previous = -1;
    for (int j = 0; j < kHueBins; ++j) {
        if (!use[j]) continue;
        if (previous >= 0) area += x[previous] * y[j] - x[j] * y[previous];
        if (first < 0) first = j;
        previous = j;
    }
    if (first >= 0 && previous != first) area += x[previous] * y[first] - x[first] * y[previous];
    return area / 2;
}

}  // namespace

ColourRendition colourRenditionOfGrid(const double* s) {
    const Tables& t = tables();
    ColourRendition out;

    // CIE 1960 uv of the test source, 2 degree observer.
    double X = 0, Y = 0, Z = 0;
    for (int k = 0; k < kPoints; ++k) {
        X += s[k] * t.x2[k];
        Y += s[k] * t.y2[k];
        Z += s[k] * t.z2[k];
    }
    if (!(Y > 0) || !std::isfinite(X + Y + Z)) {
        out.error = "the spectrum has no light between 380 and 780 nm";
        return out;
    }
    const double d = X + 15 * Y + 3 * Z;
    if (!planckianTemperature(4 * X / d, 6 * Y / d, out.cct, out.duv)) {
        out.error = "the light has no correlated colour temperature between 1000 K and 100000 K";
        return out;
    }

    double reference[kPoints];
    renditionReference(out.cct, reference);

    // Observer functions weighted by each illuminant, padded with zeros.
    alignas(32) double w[6][kPaddedPoints] = {};
    double white[6] = {};
    for (int k = 0; k < kPoints; ++k) {
        const ObserverRow& o = Observer10Table[k];
        w[0][k] = s[k] * o.x;
        w[1][k] = s[k] * o.y;
        w[2][k] = s[k] * o.z;
        w[3][k] = reference[k] * o.x;
        w[4][k] = reference[k] * o.y;
        w[5][k] = reference[k] * o.z;
        for (int c = 0; c < 6; ++c) white[c] += w[c][k];
    }
    if (!(white[1] > 0)) {
        out.error = "the spectrum has no light between 380 and 780 nm";
        return out;
    }
    SampleSums test, ref;
    sampleSums(t, &w[0][0], test, ref);

    const double kt = 100 / white[1], kr = 100 / white[4];
    const Adaptation at = adaptTo(kt * white[0], 100, kt * white[2]);
    const Adaptation ar = adaptTo(kr * white[3], 100, kr * white[5]);

    double sumA[2][kHueBins] = {}, sumB[2][kHueBins] = {}, sumDelta[kHueBins] = {};
    int count[kHueBins] = {};
    double sumDeltaAll = 0;
    for (int i = 0; i < kEvaluationSamples; ++i) {
        const Ucs ut = toUcs(at, kt * test.X[i], kt * test.Y[i], kt * test.Z[i]);
        const Ucs ur = toUcs(ar, kr * ref.X[i], kr * ref.Y[i], kr * ref.Z[i]);
        const double dE = std::sqrt((ut.J - ur.J) * (ut.J - ur.J) + (ut.a - ur.a) * (ut.a - ur.a) +
                                    (ut.b - ur.b) * (ut.b - ur.b));
        out.RfSample[i] = fidelityOfDifference(dE);
        sumDeltaAll += dE;
        // The bin is the reference hue's: 16 bins of 22.5 degrees from 0.
        double h = std::atan2(ur.b, ur.a) * (180 / M_PI);
        if (h < 0) h += 360;
        const int bin = std::min(kHueBins - 1, static_cast<int>(h / 22.5));
        sumA[0][bin] += ut.a;
        sumB[0][bin] += ut.b;
        sumA[1][bin] += ur.a;
        sumB[1][bin] += ur.b;
        sumDelta[bin] += dE;
        ++count[bin];
    }
    out.Rf = fidelityOfDifference(sumDeltaAll / kEvaluationSamples);

    bool use[kHueBins];
    for (int j = 0; j < kHueBins; ++j) {
        use[j] = count[j] > 0;
        const double n = count[j];
        out.testA[j] = sumA[0][j] / n;
        out.testB[j] = sumB[0][j] / n;
        out.referenceA[j] = sumA[1][j] / n;
        out.referenceB[j] = sumB[1][j] / n;
        out.RfHue[j] = fidelityOfDifference(sumDelta[j] / n);
        // Shifts along and across the bin's middle direction, relative to
        // the reference average's distance from the neutral point.
        const double theta = (22.5 * j + 11.25) * (M_PI / 180);
        const double da = out.testA[j] - out.referenceA[j], db = out.testB[j] - out.referenceB[j];
        const double norm = std::hypot(out.referenceA[j], out.referenceB[j]);
        out.RcsHue[j] = 100 * (da * std::cos(theta) + db * std::sin(theta)) / norm;
        out.RhsHue[j] = (-da * std::sin(theta) + db * std::cos(theta)) / norm;
    }
    out.Rg = 100 * polygonArea(out.testA.data(), out.testB.data(), use) /
             polygonArea(out.referenceA.data(), out.referenceB.data(), use);
    out.ok = true;
    return out;
}

ColourRendition computeColourRendition(const double* intensity, const double* wavelength, int last) {
    double grid[kPoints];
    const std::string error = resampleToRenditionGrid(intensity, wavelength, last, grid);
    if (!error.empty()) {
        ColourRendition out;
        out.error = error;
        return out;
    }
    return colourRenditionOfGrid(grid);
}

}  // namespace halden
