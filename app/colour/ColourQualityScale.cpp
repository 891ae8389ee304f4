#include "colour/ColourQualityScale.h"

#include <algorithm>
#include <cmath>

#include "colour/ColourRendition.h"
#include "colour/ColourTables.h"
#include "colour/LightTables.h"
#include "colour/ReferenceIlluminants.h"

namespace halden {
namespace {

constexpr int kSamples = kQualitySamples;
constexpr double kChromaLimit = 10;
constexpr double kScaleQa = 3.2, kScaleQf = 2.93 * 1.0343, kScaleQp = 3.88;

struct Xyz {
    double X, Y, Z;
};

struct Lab {
    double L, a, b;
};

// The white (Y = 100) and the 15 samples under a light on the grid.
struct Lit {
    Xyz white;
    Xyz sample[kSamples];
};

const ObserverRow& observer(int k) { return ObserverTable[kLightFirstNm - kGridFirstNm + k]; }

Lit lit(const double* light) {
    double X = 0, Y = 0, Z = 0;
    double sx[kSamples] = {}, sy[kSamples] = {}, sz[kSamples] = {};
    for (int k = 0; k < kLightPoints; ++k) {
        const ObserverRow& o = observer(k);
        const double wx = light[k] * o.x, wy = light[k] * o.y, wz = light[k] * o.z;
        X += wx;
        Y += wy;
        Z += wz;
        const auto& beta = QualitySampleTable[k];
        for (int i = 0; i < kSamples; ++i) {
            sx[i] += beta[i] * wx;
            sy[i] += beta[i] * wy;
            sz[i] += beta[i] * wz;
        }
    }
    const double scale = 100 / Y;
    Lit out{{scale * X, 100, scale * Z}, {}};
    for (int i = 0; i < kSamples; ++i) out.sample[i] = {scale * sx[i], scale * sy[i], scale * sz[i]};
    return out;
}

// CMCCAT2000 cone space.
constexpr double kCat[3][3] = {{0.7982, 0.3389, -0.1371}, {-0.5918, 1.5512, 0.0406}, {0.0008, 0.0239, 0.9753}};

void toCones(const Xyz& c, double out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = kCat[i][0] * c.X + kCat[i][1] * c.Y + kCat[i][2] * c.Z;
}

Xyz fromCones(const double in[3]) {
    static const auto inverse = [] {
        const auto& m = kCat;
        const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        std::array<std::array<double, 3>, 3> r{};
        r[0] = {(m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det,
                (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det};
        r[1] = {(m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det,
                (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det};
        r[2] = {(m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det,
                (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det};
        return r;
    }();
    return {inverse[0][0] * in[0] + inverse[0][1] * in[1] + inverse[0][2] * in[2],
            inverse[1][0] * in[0] + inverse[1][1] * in[1] + inverse[1][2] * in[2],
            inverse[2][0] * in[0] + inverse[2][1] * in[1] + inverse[2][2] * in[2]};
}

double labF(double t) {
    constexpr double e = 216.0 / 24389, k = 24389.0 / 27;
    return t > e ? std::cbrt(t) : (k * t + 16) / 116;
}

Lab toLab(const Xyz& c, const Xyz& white) {
    const double fx = labF(c.X / white.X), fy = labF(c.Y / white.Y), fz = labF(c.Z / white.Z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double chroma(const Lab& c) { return std::hypot(c.a, c.b); }

double gamutArea(const Lab* labs) {
    double twice = 0;
    for (int i = 0; i < kSamples; ++i) {
        const Lab& p = labs[i];
        const Lab& q = labs[(i + 1) % kSamples];
        twice += p.a * q.b - q.a * p.b;
    }
    return std::fabs(twice) / 2;
}

double zeroTo100(double difference, double factor) {
    return 10 * std::log1p(std::exp((100 - factor * difference) / 10));
}

// The samples' gamut area under CIE D65, the scale of Qg.
double daylightGamutArea() {
    static const double area = [] {
        double d65[kLightPoints];
        daylightOnGrid(cieDaylightKelvin(6500), true, kLightFirstNm, kLightPoints, d65);
        const Lit l = lit(d65);
        Lab labs[kSamples];
        for (int i = 0; i < kSamples; ++i) labs[i] = toLab(l.sample[i], l.white);
        return gamutArea(labs);
    }();
    return area;
}

}  // namespace

QualityScaleFigures colourQualityScale(const double* grid) {
    QualityScaleFigures out;
    auto refuse = [&](const std::string& why) {
        out.Qa = out.Qf = out.Qp = out.Qg = Figure::none(why);
        return out;
    };
    double X = 0, Y = 0, Z = 0;
    for (int k = 0; k < kLightPoints; ++k) {
        X += grid[k] * observer(k).x;
        Y += grid[k] * observer(k).y;
        Z += grid[k] * observer(k).z;
    }
    if (!(Y > 0)) return refuse("the spectrum has no light between 380 and 780 nm");
    const double d = X + 15 * Y + 3 * Z;
    double cct = 0, duv = 0;
    if (!planckianTemperature(4 * X / d, 6 * Y / d, cct, duv))
        return refuse("the light has no correlated colour temperature between 1000 K and 100000 K");
    out.cct = cct;

    double reference[kLightPoints];
    matchedReferenceOnGrid(cct, kLightFirstNm, kLightPoints, reference);
    const Lit test = lit(grid), ref = lit(reference);

    // The source's samples adapted to the reference white (CMCCAT2000, complete).
    double coneTest[3], coneRef[3];
    toCones(test.white, coneTest);
    toCones(ref.white, coneRef);
    Lab testLab[kSamples], refLab[kSamples];
    double sumE = 0, sumEp = 0, sumGain = 0;
    double samplePrime[kSamples];
    for (int i = 0; i < kSamples; ++i) {
        double c[3];
        toCones(test.sample[i], c);
        for (int j = 0; j < 3; ++j) c[j] *= coneRef[j] / coneTest[j];
        testLab[i] = toLab(fromCones(c), ref.white);
        refLab[i] = toLab(ref.sample[i], ref.white);
        const double dL = testLab[i].L - refLab[i].L, da = testLab[i].a - refLab[i].a, db = testLab[i].b - refLab[i].b;
        const double dE = std::sqrt(dL * dL + da * da + db * db);
        const double dC = chroma(testLab[i]) - chroma(refLab[i]);
        const double gain = std::min(dC, kChromaLimit);
        // A gain in chroma is not held against the source (the saturation factor).
        const double dEp = dC > 0 ? std::sqrt(std::max(0.0, dE * dE - gain * gain)) : dE;
        samplePrime[i] = dEp;
        sumE += dE * dE;
        sumEp += dEp * dEp;
        sumGain += std::max(gain, 0.0);
    }
    const double rmsE = std::sqrt(sumE / kSamples), rmsEp = std::sqrt(sumEp / kSamples);
    out.Qa = Figure::of(zeroTo100(rmsEp, kScaleQa));
    out.Qf = Figure::of(zeroTo100(rmsE, kScaleQf));
    out.Qp = Figure::of(zeroTo100(rmsEp - sumGain / kSamples, kScaleQp));
    out.Qg = Figure::of(100 * gamutArea(testLab) / daylightGamutArea());
    for (int i = 0; i < kSamples; ++i) out.Qi[i] = zeroTo100(samplePrime[i], kScaleQa);
    return out;
}

}  // namespace halden
