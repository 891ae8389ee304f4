#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "ColourTestData.h"
#include "colour/ColourRendition.h"
#include "colour/RenditionTables.h"

namespace halden {
namespace {

constexpr double kC2 = 1.4388e7;  // nm K, as the method's Planckian radiator

// The instrument's axis: 3653 points rising from about 210 to 950 nm, a
// little unevenly spaced, as a calibrated CCD gives it.
std::vector<double> instrumentAxis() {
    std::vector<double> nm(3653);
    for (int i = 0; i < 3653; ++i) {
        const double x = i / 3652.0;
        nm[i] = 210.43 + 739.2 * x - 12.0 * x * (1 - x);
    }
    return nm;
}

// A table given at `step` nm from `first`, linearly interpolated onto `nm`
// (zero outside it).
std::vector<double> onAxis(const std::vector<double>& table, double first, double step, const std::vector<double>& nm) {
    std::vector<double> out(nm.size(), 0.0);
    for (std::size_t i = 0; i < nm.size(); ++i) {
        const double p = (nm[i] - first) / step;
        if (p < 0 || p > table.size() - 1) continue;
        const std::size_t j = std::min(static_cast<std::size_t>(p), table.size() - 2);
        const double f = p - j;
        out[i] = table[j] + f * (table[j + 1] - table[j]);
    }
    return out;
}

// CIE daylight at a correlated colour temperature, from the components as
// read from the data file (5 nm, 300..830), on the given axis.
std::vector<double> daylightOnAxis(double T, const std::vector<double>& nm) {
    std::ifstream in(std::string(HALDEN_DATA_DIR) + "/cie_daylight_s012_5nm.csv");
    std::vector<double> s0, s1, s2;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        double w, a, b, c;
        char comma;
        std::istringstream(line) >> w >> comma >> a >> comma >> b >> comma >> c;
        s0.push_back(a);
        s1.push_back(b);
        s2.push_back(c);
    }
    const double xD = T <= 7000 ? -4.6070e9 / (T * T * T) + 2.9678e6 / (T * T) + 0.09911e3 / T + 0.244063
                                : -2.0064e9 / (T * T * T) + 1.9018e6 / (T * T) + 0.24748e3 / T + 0.237040;
    const double yD = -3 * xD * xD + 2.87 * xD - 0.275;
    const double M = 0.0241 + 0.2562 * xD - 0.7341 * yD;
    const double M1 = (-1.3515 - 1.7703 * xD + 5.9114 * yD) / M;
    const double M2 = (0.03 - 31.4424 * xD + 30.0717 * yD) / M;
    std::vector<double> sd(s0.size());
    for (std::size_t k = 0; k < sd.size(); ++k) sd[k] = s0[k] + M1 * s1[k] + M2 * s2[k];
    return onAxis(sd, 300, 5, nm);
}

ColourRendition renditionOf(const std::vector<double>& intensity, const std::vector<double>& nm) {
    return computeColourRendition(intensity.data(), nm.data(), static_cast<int>(nm.size()) - 1);
}

void expectPerfect(const ColourRendition& r, const char* what) {
    ASSERT_TRUE(r.ok) << what << ": " << r.error;
    EXPECT_NEAR(r.Rf, 100, 0.01) << what;
    EXPECT_NEAR(r.Rg, 100, 0.01) << what;
    for (int j = 0; j < kHueBins; ++j) {
        EXPECT_NEAR(r.RfHue[j], 100, 0.01) << what << " bin " << j + 1;
        EXPECT_NEAR(r.RcsHue[j], 0, 0.01) << what << " bin " << j + 1;
        EXPECT_NEAR(r.RhsHue[j], 0, 1e-4) << what << " bin " << j + 1;
    }
}

TEST(ColourRendition, PlanckianRadiatorsRenderPerfectlyOnTheLocus) {
    const std::vector<double> nm = instrumentAxis();
    for (double T : {1200.0, 2000.0, 2700.0, 3500.0, 3990.0}) {
        std::vector<double> s(nm.size());
        for (std::size_t i = 0; i < nm.size(); ++i) s[i] = 1e3 * test::planck(nm[i], T, kC2);
        const ColourRendition r = renditionOf(s, nm);
        expectPerfect(r, "Planckian");
        EXPECT_NEAR(r.cct, T, 0.05 * T / 1000) << T;
        EXPECT_NEAR(r.duv, 0, 2e-6) << T;
        // The scale of the spectrum does not matter.
        for (double& v : s) v *= 1e-9;
        const ColourRendition scaled = renditionOf(s, nm);
        ASSERT_TRUE(scaled.ok);
        EXPECT_NEAR(scaled.Rf, r.Rf, 1e-9);
        EXPECT_NEAR(scaled.cct, r.cct, 1e-6);
    }
    // Above 4000 K the reference holds daylight, so a Planckian radiator is
    // no longer its own reference.
    for (double T : {4500.0, 6500.0}) {
        std::vector<double> s(nm.size());
        for (std::size_t i = 0; i < nm.size(); ++i) s[i] = test::planck(nm[i], T, kC2);
        const ColourRendition r = renditionOf(s, nm);
        ASSERT_TRUE(r.ok);
        EXPECT_LT(r.Rf, 99.9) << T;
        EXPECT_GT(r.Rf, 95) << T;
        EXPECT_NEAR(r.duv, 0, 2e-6) << T;
    }
}

TEST(ColourRendition, CieDaylightRendersPerfectly) {
    const std::vector<double> nm = instrumentAxis();
    for (double T : {5500.0, 6504.0, 8000.0, 12000.0}) {
        const ColourRendition r = renditionOf(daylightOnAxis(T, nm), nm);
        ASSERT_TRUE(r.ok) << r.error;
        // The daylight formula's temperature and the locus' differ by a
        // few kelvin, which moves the figures by hundredths at most.
        EXPECT_NEAR(r.cct, T, 0.002 * T) << T;
        EXPECT_NEAR(r.Rf, 100, 0.1) << T;
        EXPECT_NEAR(r.Rg, 100, 0.2) << T;
    }
    // D65's place above the locus: 6504 K, Duv about +0.0032.
    const ColourRendition d65 = renditionOf(daylightOnAxis(6504, nm), nm);
    EXPECT_NEAR(d65.cct, 6504, 6);
    EXPECT_NEAR(d65.duv, 0.0032, 0.0002);
}

TEST(ColourRendition, CieF2GivesThePublishedFigures) {
    const std::vector<double> nm = instrumentAxis();
    const ColourRendition r = renditionOf(onAxis(test::kF2, 380, 5, nm), nm);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(std::lround(r.Rf), 70) << r.Rf;
    EXPECT_EQ(std::lround(r.Rg), 86) << r.Rg;
    // The CIE calculator evaluates the 5 nm table at 5 nm and gets 70.1; read
    // at every nanometre, linearly between the 5 nm values, it comes to 70.2.
    EXPECT_NEAR(r.Rf, 70.1, 0.15);
    EXPECT_NEAR(r.cct, 4224, 8);
    EXPECT_NEAR(r.duv, 0.0018, 0.0004);
    // The published hue-bin figures of F2 (TM-30-18 calculator, rounded to
    // whole numbers and to 0.01): the bins, their order and the direction
    // of each shift.
    const double publishedRf[kHueBins] = {60, 61, 53, 68, 80, 88, 77, 73, 76, 62, 70, 77, 81, 71, 64, 65};
    const double publishedRcs[kHueBins] = {-25, -18, -9, 5, 11, 4, -8, -15, -17, -15, -4, 5, 11, 7, -6, -16};
    const double publishedRhs[kHueBins] = {-0.02, 0.14, 0.24, 0.20, 0.09, -0.07, -0.12, -0.08,
                                           0.01,  0.17, 0.19, 0.11, -0.08, -0.15, -0.26, -0.17};
    for (int j = 0; j < kHueBins; ++j) {
        EXPECT_NEAR(r.RfHue[j], publishedRf[j], 0.6) << "bin " << j + 1;
        EXPECT_NEAR(r.RcsHue[j], publishedRcs[j], 0.6) << "bin " << j + 1;
        EXPECT_NEAR(r.RhsHue[j], publishedRhs[j], 0.006) << "bin " << j + 1;
    }
    // A cool white tube desaturates reds and purples and renders yellows
    // and greens best.
    const int red = 0, yellow = 4;
    EXPECT_LT(r.RcsHue[red], -10);
    EXPECT_GT(r.RfHue[yellow], r.RfHue[red]);
    double mean = 0;
    for (double f : r.RfSample) mean += f;
    EXPECT_GT(mean / 99, r.Rf - 5);
    // Falling wavelengths give the same figures.
    std::vector<double> fallingNm(nm.rbegin(), nm.rend());
    std::vector<double> fallingF2 = onAxis(test::kF2, 380, 5, fallingNm);
    const ColourRendition f = renditionOf(fallingF2, fallingNm);
    ASSERT_TRUE(f.ok);
    EXPECT_DOUBLE_EQ(f.Rf, r.Rf);
    EXPECT_DOUBLE_EQ(f.Rg, r.Rg);
}

// A sum of Gaussian bands (centre, width in nm, height) on the axis.
std::vector<double> bands(const std::vector<double>& nm, std::initializer_list<std::array<double, 3>> list,
                          double floor = 0) {
    std::vector<double> s(nm.size(), floor);
    for (std::size_t i = 0; i < nm.size(); ++i)
        for (const auto& b : list) s[i] += b[2] * std::exp(-0.5 * std::pow((nm[i] - b[0]) / b[1], 2));
    return s;
}

TEST(ColourRendition, LedAndTriBandSourcesMatchAnIndependentComputation) {
    // Figures of the same spectra from a separate implementation of the
    // method (numpy, written from the method's documents, which reproduces
    // the published F2 figures sample by sample), one source for each kind
    // of reference: Planckian, the blend, daylight.
    const std::vector<double> nm = instrumentAxis();
    struct Expected {
        const char* what;
        std::vector<double> s;
        double Rf, Rg, cct, duv;
    };
    const Expected sources[] = {
        {"white LED 3870 K", bands(nm, {{{452, 10, 0.8}}, {{565, 52, 0.6}}, {{630, 30, 0.35}}}), 82.7318, 99.1477,
         3868.807, -0.0077222},
        {"tri-band 4670 K",
         bands(nm, {{{436, 1.5, 2.5}}, {{487, 4, 1.2}}, {{545, 2.5, 2.6}}, {{590, 6, 0.5}}, {{611, 2.5, 2.0}}, {{707, 4, 0.3}}},
               0.05),
         84.0249, 95.4210, 4667.118, 0.0007490},
        {"white LED 6330 K", bands(nm, {{{450, 10, 1.0}}, {{555, 50, 0.55}}, {{620, 35, 0.1}}}), 75.9850, 92.1493,
         6327.816, 0.0040717},
    };
    for (const Expected& e : sources) {
        const ColourRendition r = renditionOf(e.s, nm);
        ASSERT_TRUE(r.ok) << e.what << ": " << r.error;
        EXPECT_NEAR(r.Rf, e.Rf, 0.001) << e.what;
        EXPECT_NEAR(r.Rg, e.Rg, 0.001) << e.what;
        EXPECT_NEAR(r.cct, e.cct, 0.01) << e.what;
        EXPECT_NEAR(r.duv, e.duv, 1e-6) << e.what;
    }
    // The hue bins of the source in the blend.
    const double rf[kHueBins] = {73.05, 92.07, 82.84, 81.49, 81.97, 92.46, 85.50, 87.58,
                                 88.73, 85.14, 87.53, 89.23, 79.37, 94.10, 78.35, 75.19};
    const double rcs[kHueBins] = {-14.97, -1.38, -4.04, 4.35, 8.71, 2.82, -4.03, -4.52,
                                  -6.51,  -6.84, -3.40, 1.56, 4.53, 1.18, -8.59, -6.68};
    const double rhs[kHueBins] = {-0.0293, 0.0170, 0.0683, 0.1066, 0.0523, -0.0176, -0.0730, -0.0362,
                                  -0.0220, 0.0578, 0.0041, 0.0052, -0.1280, 0.0030, -0.1530, -0.1032};
    const ColourRendition r = renditionOf(sources[1].s, nm);
    for (int j = 0; j < kHueBins; ++j) {
        EXPECT_NEAR(r.RfHue[j], rf[j], 0.006) << "bin " << j + 1;
        EXPECT_NEAR(r.RcsHue[j], rcs[j], 0.006) << "bin " << j + 1;
        EXPECT_NEAR(r.RhsHue[j], rhs[j], 6e-5) << "bin " << j + 1;
    }
}

// The reference's shape, scaled to a unit sum, on both sides of a point.
double shapeJump(double below, double above) {
    double a[kRenditionPoints], b[kRenditionPoints];
    renditionReference(below, a);
    renditionReference(above, b);
    double sa = 0, sb = 0, worst = 0;
    for (int k = 0; k < kRenditionPoints; ++k) {
        sa += a[k];
        sb += b[k];
    }
    for (int k = 0; k < kRenditionPoints; ++k) worst = std::max(worst, std::fabs(a[k] / sa - b[k] / sb) * kRenditionPoints);
    return worst;
}

TEST(ColourRendition, ReferenceBlendIsContinuousAcrossItsEdges) {
    // Across 4000 K and 5000 K the reference changes no faster than a
    // Planckian radiator does over the same step: a jump would show as a
    // difference far above that.
    const double step = 0.01;
    EXPECT_LT(shapeJump(4000 - step, 4000), 1e-5);
    EXPECT_LT(shapeJump(5000, 5000 + step), 1e-5);
    EXPECT_LT(shapeJump(4500 - step, 4500), 1e-5);
    // Inside the band it is neither of its ends: at 4500 K it differs from
    // a pure Planckian radiator and from pure daylight.
    EXPECT_GT(shapeJump(3999.99, 4500), 0.01);
    EXPECT_GT(shapeJump(4500, 5000.01), 0.01);
    // Inside the band both parts are scaled to unit luminance before they
    // are mixed, so the blend has unit luminance too.
    const auto obs = test::readObserverCsv();
    for (double T : {4000.0, 4300.0, 5000.0}) {
        double mix[kRenditionPoints];
        renditionReference(T, mix);
        double Y = 0;
        for (int k = 0; k < kRenditionPoints; ++k) Y += mix[k] * obs.y[k + 20];
        EXPECT_NEAR(Y, 1.0, 1e-9) << T;
    }
}

TEST(ColourRendition, TemperatureAndDuvOfPointsOffTheLocus) {
    // Locus points from the observer data, then moved along the normal.
    const auto obs = test::readObserverCsv();
    auto locus = [&](double T, double& u, double& v) {
        double X = 0, Y = 0, Z = 0;
        for (int k = 20; k <= 420; ++k) {
            const double p = test::planck(obs.nm[k], T, kC2);
            X += p * obs.x[k];
            Y += p * obs.y[k];
            Z += p * obs.z[k];
        }
        const double d = X + 15 * Y + 3 * Z;
        u = 4 * X / d;
        v = 6 * Y / d;
    };
    for (double T : {1200.0, 2856.0, 4000.0, 6500.0, 20000.0}) {
        for (double duv : {-0.02, -0.003, 0.0, 0.005, 0.02}) {
            double u, v, u1, v1, u2, v2;
            locus(T, u, v);
            locus(T * 0.9999, u1, v1);
            locus(T * 1.0001, u2, v2);
            const double tu = u2 - u1, tv = v2 - v1, n = std::hypot(tu, tv);
            // The normal pointing to larger v.
            const double nu = -tv / n, nv = tu / n;
            const double sign = nv > 0 ? 1 : -1;
            double cct = 0, found = 0;
            ASSERT_TRUE(planckianTemperature(u + sign * duv * nu, v + sign * duv * nv, cct, found)) << T << " " << duv;
            EXPECT_NEAR(cct, T, 1e-4 * T) << T << " " << duv;
            EXPECT_NEAR(found, duv, 2e-6) << T << " " << duv;
        }
    }
    double cct = 0, duv = 0;
    EXPECT_FALSE(planckianTemperature(0.47, 0.35, cct, duv));   // redder than 1000 K
    EXPECT_FALSE(planckianTemperature(0.17, 0.25, cct, duv));   // bluer than 100000 K
    EXPECT_FALSE(planckianTemperature(NAN, 0.3, cct, duv));
}

TEST(ColourRendition, SpectraThatMissPartOfTheRangeGetNoFigures) {
    const std::vector<double> nm = instrumentAxis();
    std::vector<double> s(nm.size());
    for (std::size_t i = 0; i < nm.size(); ++i) s[i] = test::planck(nm[i], 3000, kC2);

    auto cut = [&](double from, double to) {
        std::vector<double> w, v;
        for (std::size_t i = 0; i < nm.size(); ++i)
            if (nm[i] >= from && nm[i] <= to) {
                w.push_back(nm[i]);
                v.push_back(s[i]);
            }
        return renditionOf(v, w);
    };
    ColourRendition r = cut(385, 950);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("380-780 nm"), std::string::npos) << r.error;
    r = cut(200, 775);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("380-780 nm"), std::string::npos) << r.error;
    EXPECT_TRUE(cut(379.5, 780.5).ok);

    // A hole of 8 nm inside the range.
    {
        std::vector<double> w, v;
        for (std::size_t i = 0; i < nm.size(); ++i)
            if (nm[i] < 600 || nm[i] > 608) {
                w.push_back(nm[i]);
                v.push_back(s[i]);
            }
        r = renditionOf(v, w);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find("no point between 599."), std::string::npos) << r.error;
    }
    // A 5 nm table is fine; a 10 nm one is not.
    {
        std::vector<double> w5, v5, w10, v10;
        for (int l = 380; l <= 780; l += 5) {
            w5.push_back(l);
            v5.push_back(test::planck(l, 3000, kC2));
            if (l % 10 == 0) {
                w10.push_back(l);
                v10.push_back(test::planck(l, 3000, kC2));
            }
        }
        EXPECT_TRUE(renditionOf(v5, w5).ok);
        EXPECT_FALSE(renditionOf(v10, w10).ok);
    }
    // Values that are not numbers, an axis that turns back, no light at all.
    std::vector<double> bad = s;
    bad[1500] = NAN;
    r = renditionOf(bad, nm);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("not a number"), std::string::npos) << r.error;
    std::vector<double> turned = nm;
    std::swap(turned[2000], turned[2001]);
    EXPECT_FALSE(renditionOf(s, turned).ok);
    r = renditionOf(std::vector<double>(nm.size(), 0.0), nm);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("no light"), std::string::npos) << r.error;
    // A deep red line has no colour temperature in range.
    std::vector<double> red(nm.size());
    for (std::size_t i = 0; i < nm.size(); ++i) red[i] = std::exp(-0.5 * std::pow((nm[i] - 680) / 5, 2));
    r = renditionOf(red, nm);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("colour temperature"), std::string::npos) << r.error;
    EXPECT_FALSE(computeColourRendition(s.data(), nm.data(), 0).ok);
}

TEST(ColourRendition, FidelityScaleOfTheMethod) {
    EXPECT_NEAR(fidelityOfDifference(0), 100.000454, 1e-6);
    // Far from 0 the scale is linear with slope 6.73 per unit difference.
    EXPECT_NEAR(fidelityOfDifference(5), 100 - 6.73 * 5, 0.02);
    EXPECT_GT(fidelityOfDifference(30), 0);
    EXPECT_LT(fidelityOfDifference(30), 0.5);
}

}  // namespace
}  // namespace halden
