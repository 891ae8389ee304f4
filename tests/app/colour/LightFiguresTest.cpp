// The light figures on known spectra, pinned to tools/light_figures_reference.py
// (numbers from it, to the digits given) and to published values where there
// are any; and the refusals: no light, short coverage, no absolute scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <numeric>
#include <random>
#include <sstream>

#include "ColourTestData.h"
#include "colour/DominantWavelength.h"
#include "colour/LightFigures.h"
#include "colour/LightTables.h"
#include "colour/RisingAxis.h"
#include "colour/SpectralSimilarity.h"
#include "colour/SpectrumFigures.h"

namespace halden {
namespace {

using test::Spectrum;

LightFigures figuresOf(const Spectrum& s, double wattsPerUnit = 0) {
    return computeLightFigures(s.wavelength.data(), s.intensity.data(), s.last(), wattsPerUnit);
}

Spectrum sampled(double from, double to, double step, double (*f)(double)) {
    Spectrum s;
    for (int i = 0; from + step * i <= to + 1e-9; ++i) {
        s.wavelength.push_back(from + step * i);
        s.intensity.push_back(f(from + step * i));
    }
    return s;
}

// A white LED: a blue die at 450 nm and a broad phosphor at 560 nm.
Spectrum led() {
    return sampled(300, 900, 0.5, [](double nm) {
        return std::exp(-0.5 * std::pow((nm - 450) / 10, 2)) + 0.6 * std::exp(-0.5 * std::pow((nm - 560) / 50, 2));
    });
}

// CIE illuminant A by its defining formula, 380..780 nm at 1 nm.
Spectrum illuminantA() {
    return sampled(380, 780, 1, [](double nm) { return std::pow(nm, -5) / std::expm1(1.435e7 / (2848 * nm)); });
}

Spectrum fluorescentF2() {
    Spectrum s;
    for (std::size_t i = 0; i < test::kF2.size(); ++i) {
        s.wavelength.push_back(380 + 5.0 * i);
        s.intensity.push_back(test::kF2[i]);
    }
    return s;
}

// CIE illuminant D of a nominal temperature as tabulated (M1, M2 to three
// decimals), at the 5 nm of the components file.
Spectrum cieDaylight(double nominal) {
    std::ifstream in(std::string(HALDEN_DATA_DIR) + "/cie_daylight_s012_5nm.csv");
    const double T = nominal * 1.4388 / 1.4380;
    const double xD = -4.6070e9 / (T * T * T) + 2.9678e6 / (T * T) + 0.09911e3 / T + 0.244063;
    const double yD = -3 * xD * xD + 2.87 * xD - 0.275;
    const double M = 0.0241 + 0.2562 * xD - 0.7341 * yD;
    const double M1 = std::round((-1.3515 - 1.7703 * xD + 5.9114 * yD) / M * 1000) / 1000;
    const double M2 = std::round((0.03 - 31.4424 * xD + 30.0717 * yD) / M * 1000) / 1000;
    Spectrum s;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        double w, a, b, c;
        char comma;
        std::istringstream(line) >> w >> comma >> a >> comma >> b >> comma >> c;
        s.wavelength.push_back(w);
        s.intensity.push_back(a + M1 * b + M2 * c);
    }
    return s;
}

void expectNear(double actual, double expected, double relative, const char* what) {
    EXPECT_NEAR(actual, expected, relative * std::max(1.0, std::fabs(expected))) << what;
}

TEST(LightFigures, AlphaOpicMatchesTheStandardAndItsReference) {
    // D65 is the standard's reference: every DER 1 (the K values are the
    // standard's, rounded to four decimals).
    const LightFigures d65 = figuresOf(cieDaylight(6500));
    for (int r = 0; r < kReceptors; ++r) EXPECT_NEAR(d65.alphaOpic[r].der.value, 1.0, 5e-5) << kReceptorKeys[r];

    // Illuminant A: ELR in mW/lm as published from the CIE tables (E_alpha
    // of A at 100 lx, summed over 360-830 nm, hence 2e-4), and to the last
    // digit of the reference computation.
    const LightFigures a = figuresOf(illuminantA());
    const double published[] = {0.25412, 1.17421, 1.65670, 0.83070, 0.65744};
    const double reference[] = {0.254148807312764, 1.1742033756649677, 1.6567156685192954, 0.8307182313580307,
                                0.6574638982617448};
    for (int r = 0; r < kReceptors; ++r) {
        ASSERT_TRUE(a.alphaOpic[r].elr.ok()) << a.alphaOpic[r].elr.reason;
        EXPECT_NEAR(a.alphaOpic[r].elr.value, published[r], 2e-4 * published[r]) << kReceptorKeys[r];
        expectNear(a.alphaOpic[r].elr.value, reference[r], 1e-12, kReceptorKeys[r]);
        EXPECT_DOUBLE_EQ(a.alphaOpic[r].der.value, a.alphaOpic[r].elr.value / kDaylightEfficacy[r]);
        // Relative values: no irradiance, no EDI, and why.
        EXPECT_FALSE(a.alphaOpic[r].irradiance.ok());
        EXPECT_NE(a.alphaOpic[r].edi.reason.find("spectral irradiance"), std::string::npos);
    }
    EXPECT_NEAR(a.alphaOpic[4].der.value, 0.49581, 1e-4);  // melanopic EDI of A at 100 lx: 49.58 lx

    // Absolute: in uW/cm^2/nm the LED's melanopic E and EDI scale by 0.01 W/m2/nm.
    const LightFigures l = figuresOf(led(), kWattsPerSquareMetrePerMicrowattPerSquareCm);
    expectNear(l.alphaOpic[4].irradiance.value, 0.01 * 35949.6531961247, 1e-12, "melanopic E");
    expectNear(l.alphaOpic[4].edi.value, 0.01 * 27107.263758199893, 1e-12, "melanopic EDI");
    expectNear(l.alphaOpic[0].elr.value, 0.7767043709665976, 1e-12, "S-cone ELR");
}

TEST(LightFigures, DominantWavelengthPurityAndWhite) {
    // Lines: the dominant wavelength is the line's, purity nearly 1.
    for (double line : {450.0, 520.0, 580.0, 620.0}) {
        const Spectrum s = sampled(300, 900, 0.2, [](double) { return 0.0; });
        Spectrum l = s;
        for (std::size_t i = 0; i < l.wavelength.size(); ++i)
            l.intensity[i] = std::exp(-0.5 * std::pow((l.wavelength[i] - line) / 0.8, 2));
        const LightFigures f = figuresOf(l);
        ASSERT_TRUE(f.dominantWavelength.ok()) << line << ": " << f.dominantWavelength.reason;
        EXPECT_NEAR(f.dominantWavelength.value, line, 0.6) << line;
        EXPECT_FALSE(f.complementary);
        EXPECT_GT(f.purity.value, 0.95) << line;
    }
    // The reference's geometry on halden's x, y.
    const LightFigures f2 = figuresOf(fluorescentF2());
    expectNear(f2.dominantWavelength.value, 577.0978490788191, 1e-9, "F2 dominant");
    expectNear(f2.purity.value, 0.24253277163920386, 1e-9, "F2 purity");
    const LightFigures l = figuresOf(led());
    expectNear(l.dominantWavelength.value, 495.45329525661793, 1e-9, "LED dominant");
    expectNear(l.purity.value, 0.06966823636821295, 1e-9, "LED purity");

    // A purple (blue and red lines) has a complementary wavelength, in the green.
    const DominantWavelength purple = dominantWavelength(0.35, 0.15);
    ASSERT_TRUE(purple.found);
    EXPECT_TRUE(purple.complementary);
    EXPECT_GT(purple.wavelength, 495);
    EXPECT_LT(purple.wavelength, 570);
    EXPECT_GT(purple.purity, 0);
    EXPECT_LT(purple.purity, 1);

    // Equal energy is white: no dominant wavelength, and the reason says so.
    const LightFigures e = figuresOf(sampled(300, 900, 1, [](double) { return 1.0; }));
    ASSERT_TRUE(e.purity.ok());
    EXPECT_LT(e.purity.value, kWhitePurity);
    EXPECT_FALSE(e.dominantWavelength.ok());
    EXPECT_NE(e.dominantWavelength.reason.find("white"), std::string::npos);
    EXPECT_TRUE(dominantWavelength(1.0 / 3, 1.0 / 3).white);
}

TEST(LightFigures, LedPeakCentroidAndHalfWidth) {
    const LightFigures l = figuresOf(led());
    EXPECT_EQ(l.peakWavelength.value, 450);
    expectNear(l.centroidWavelength.value, 532.5179732861949, 1e-12, "centroid");
    expectNear(l.fwhm.value, 24.73717659912387, 1e-12, "fwhm");

    // A triangle: the half-maximum crossings interpolated between points.
    Spectrum t;
    for (int i = 0; i <= 40; ++i) {
        t.wavelength.push_back(500 + i);
        t.intensity.push_back(std::max(0.0, 10 - std::fabs(i - 20.0)));
    }
    const LightFigures tri = figuresOf(t);
    EXPECT_DOUBLE_EQ(tri.peakWavelength.value, 520);
    EXPECT_DOUBLE_EQ(tri.fwhm.value, 10);

    // A peak that does not fall to half before the end has no width.
    const LightFigures a = figuresOf(illuminantA());
    EXPECT_EQ(a.peakWavelength.value, 780);
    EXPECT_FALSE(a.fwhm.ok());
    EXPECT_NE(a.fwhm.reason.find("780.0 nm"), std::string::npos) << a.fwhm.reason;
}

TEST(LightFigures, ColourQualityScaleAgainstReferenceAndPublishedValues) {
    const LightFigures f2 = figuresOf(fluorescentF2());
    const QualityScaleFigures& q = f2.cqs;
    ASSERT_TRUE(q.Qa.ok()) << q.Qa.reason;
    expectNear(q.Qa.value, 64.11474926852381, 1e-7, "Qa");
    expectNear(q.Qf.value, 65.2471892286878, 1e-7, "Qf");
    expectNear(q.Qp.value, 61.619822250114986, 1e-7, "Qp");
    expectNear(q.Qg.value, 82.15603807212591, 1e-7, "Qg");
    const double qi[] = {40.420785021703274, 60.041889420858794, 62.60326128725855, 78.63634818966527,
                         94.405112437322,    76.78436336991128,  62.07810309954712, 60.595152963946,
                         60.71576539000765,  57.89632099492018,  61.82694130214599, 85.77589139871148,
                         71.89976952819151,  68.46870043919327,  55.57656582531493};
    for (int i = 0; i < kQualitySampleCount; ++i) expectNear(q.Qi[i], qi[i], 1e-7, "Qi");
    // colour-science's NIST CQS 9.0 gives FL2 Qa 64.1118 (its 5 nm table read
    // at 360-780 nm by another interpolation).
    EXPECT_NEAR(q.Qa.value, 64.1118, 0.01);

    // A source that is its own reference renders every sample as the
    // reference does: 100 on the 0-100 scale (100.0005 exactly); D65 spans
    // the scale's gamut.
    const LightFigures a = figuresOf(illuminantA());
    for (double v : {a.cqs.Qa.value, a.cqs.Qf.value, a.cqs.Qp.value}) EXPECT_NEAR(v, 100.00045, 1e-4);
    EXPECT_NEAR(a.cqs.cct, 2855.54, 0.05);
    EXPECT_NEAR(figuresOf(cieDaylight(6500)).cqs.Qg.value, 100, 0.01);

    const LightFigures l = figuresOf(led());
    expectNear(l.cqs.Qa.value, 67.58506396551239, 1e-7, "LED Qa");
    expectNear(l.cqs.Qg.value, 83.56223832823092, 1e-7, "LED Qg");
}

TEST(LightFigures, SpectralSimilarity) {
    // Against itself 100; the figures are the index rounded.
    std::vector<double> flat(kSimilarityPoints, 1.0), sloped(kSimilarityPoints);
    for (int k = 0; k < kSimilarityPoints; ++k) sloped[k] = 0.5 + k / 300.0;
    EXPECT_DOUBLE_EQ(spectralSimilarityIndex(flat.data(), flat.data()), 100);
    EXPECT_LT(spectralSimilarityIndex(sloped.data(), flat.data()), 100);

    const LightFigures d55 = figuresOf(cieDaylight(5500));
    EXPECT_EQ(d55.ssiD55.value, 100);
    const LightFigures f2 = figuresOf(fluorescentF2());
    EXPECT_EQ(f2.ssi3200K.value, std::round(55.293667644654285));
    EXPECT_EQ(f2.ssiD55.value, std::round(62.25678238447406));
    EXPECT_EQ(f2.ssiMatched.value, std::round(64.5442646175524));  // 4225 K: a Planckian reference
    const LightFigures l = figuresOf(led());
    EXPECT_EQ(l.ssi3200K.value, 28);
    EXPECT_EQ(l.ssiMatched.value, 54);  // 6490 K: daylight
}

TEST(LightFigures, PhotonFluxesFromIrradiance) {
    // 1 W/m2/nm everywhere: each band is the integral of lambda / (h c N_A).
    const Spectrum flat = sampled(300, 900, 0.5, [](double) { return 1.0; });
    const LightFigures f = figuresOf(flat, 1.0);
    const double perNm2 = 1e-3 / (6.62607015e-34 * 299792458.0 * 6.02214076e23);  // umol/s per W nm
    auto band = [&](double lo, double hi) { return (hi * hi - lo * lo) / 2 * perNm2; };
    const PhotonFluxFigures& p = f.photonFlux;
    expectNear(p.ppfd.value, band(400, 700), 1e-12, "PPFD");
    expectNear(p.eppfd.value, band(400, 750), 1e-12, "ePPFD");
    expectNear(p.uvA.value, band(315, 400), 1e-12, "UV-A");
    expectNear(p.blue.value + p.green.value + p.red.value, p.ppfd.value, 1e-12, "bands add up");
    expectNear(p.farRed.value, band(700, 750), 1e-12, "far red");
    expectNear(p.redFarRed.value, 660.0 / 730.0, 1e-12, "R:FR");

    // The LED as the reference integrates it; a spectrum starting at 340 nm
    // has no UV-A, and relative values keep only the ratio.
    const LightFigures l = figuresOf(led(), 1.0);
    expectNear(l.photonFlux.ppfd.value, 445.00010269615404, 1e-12, "LED PPFD");
    expectNear(l.photonFlux.redFarRed.value, 39.129705292243095, 1e-12, "LED R:FR");
    Spectrum late = led();
    late.wavelength.erase(late.wavelength.begin(), late.wavelength.begin() + 80);
    late.intensity.erase(late.intensity.begin(), late.intensity.begin() + 80);
    const LightFigures s = figuresOf(late, 1.0);
    EXPECT_FALSE(s.photonFlux.uvA.ok());
    EXPECT_NE(s.photonFlux.uvA.reason.find("coverage too short"), std::string::npos) << s.photonFlux.uvA.reason;
    EXPECT_TRUE(s.photonFlux.blue.ok());
    const LightFigures relative = figuresOf(led());
    EXPECT_FALSE(relative.photonFlux.ppfd.ok());
    EXPECT_TRUE(relative.photonFlux.redFarRed.ok());
}

// Every Figure of a result, for checks that must hold for all of them.
std::vector<const Figure*> allFigures(const LightFigures& f) {
    std::vector<const Figure*> out = {&f.uPrime,  &f.vPrime, &f.dominantWavelength, &f.purity,   &f.peakWavelength,
                                      &f.centroidWavelength, &f.fwhm,   &f.cqs.Qa,  &f.cqs.Qf, &f.cqs.Qp,
                                      &f.cqs.Qg, &f.ssi3200K, &f.ssiD55,  &f.ssiMatched};
    for (const AlphaOpicFigures& a : f.alphaOpic)
        for (const Figure* g : {&a.irradiance, &a.elr, &a.der, &a.edi}) out.push_back(g);
    const PhotonFluxFigures& p = f.photonFlux;
    for (const Figure* g : {&p.ppfd, &p.eppfd, &p.uvA, &p.blue, &p.green, &p.red, &p.farRed, &p.redFarRed})
        out.push_back(g);
    return out;
}

TEST(LightFigures, NoLightHugeValuesAndShortCoverageGiveReasonsNotNaN) {
    // Dark: nothing at all, each figure saying why.
    const LightFigures dark = figuresOf(sampled(300, 900, 1, [](double) { return 0.0; }), 1.0);
    EXPECT_FALSE(dark.anyComputed());
    for (const Figure* g : allFigures(dark)) EXPECT_NE(g->reason.find("no light"), std::string::npos) << g->reason;

    // A value near the largest double: the same relative figures as at any
    // scale; absolute ones too large to give.
    Spectrum huge = led();
    for (double& v : huge.intensity) v *= 1e300;
    huge.intensity[300] = 1.7e308;
    Spectrum spiked = led();
    spiked.intensity[300] = 1.7e308 / 1e300;
    const LightFigures h = figuresOf(huge, 1.0), s = figuresOf(spiked);
    EXPECT_TRUE(h.colourError.empty()) << h.colourError;
    EXPECT_DOUBLE_EQ(h.cqs.Qa.value, s.cqs.Qa.value);
    EXPECT_DOUBLE_EQ(h.alphaOpic[4].elr.value, s.alphaOpic[4].elr.value);
    EXPECT_FALSE(h.photonFlux.ppfd.ok());
    for (const Figure* g : allFigures(h)) EXPECT_TRUE(!g->ok() || std::isfinite(g->value));

    // A NaN value: nothing, with where.
    Spectrum nan = led();
    nan.intensity[10] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(figuresOf(nan).colourError.find("not a number at 305.00 nm"), std::string::npos);

    // Two points, a range short of 380-780 nm, a gap: the colour figures say
    // the coverage is too short; what does not need it is still there.
    Spectrum two;
    two.wavelength = {500, 600};
    two.intensity = {1, 2};
    const LightFigures t = figuresOf(two);
    EXPECT_EQ(t.colourError.rfind("coverage too short: the spectrum covers 500.0-600.0 nm", 0), 0u) << t.colourError;
    EXPECT_EQ(t.cqs.Qa.reason, t.colourError);
    EXPECT_EQ(t.peakWavelength.value, 600);
    EXPECT_TRUE(t.anyComputed());
    Spectrum gap = led();
    gap.wavelength.erase(gap.wavelength.begin() + 400, gap.wavelength.begin() + 420);  // 500-510 nm
    gap.intensity.erase(gap.intensity.begin() + 400, gap.intensity.begin() + 420);
    EXPECT_NE(figuresOf(gap).colourError.find("no point between 499.50 and 510.00 nm"), std::string::npos);
    EXPECT_EQ(colourCoverageError(two.wavelength.data(), 0).rfind("coverage too short: the spectrum has 1 point;", 0), 0u);
}

TEST(LightFigures, OneOrderOfPointsWhateverTheFileGives) {
    // Shuffled, falling, or with repeated wavelengths: the same points, so
    // the same figures; repeats become their mean.
    const Spectrum s = led();
    Spectrum shuffled = s;
    std::vector<std::size_t> index(s.wavelength.size());
    std::iota(index.begin(), index.end(), 0);
    std::shuffle(index.begin(), index.end(), std::mt19937(7));
    for (std::size_t i = 0; i < index.size(); ++i) {
        shuffled.wavelength[i] = s.wavelength[index[i]];
        shuffled.intensity[i] = s.intensity[index[i]];
    }
    Spectrum falling = s;
    std::reverse(falling.wavelength.begin(), falling.wavelength.end());
    std::reverse(falling.intensity.begin(), falling.intensity.end());
    const SpectrumFigures a = computeSpectrumFigures(s.wavelength, s.intensity, 1);
    for (const Spectrum& other : {shuffled, falling}) {
        const SpectrumFigures b = computeSpectrumFigures(other.wavelength, other.intensity, 1);
        EXPECT_EQ(b.wavelength, a.wavelength);
        EXPECT_EQ(b.light.colorimetry.values, a.light.colorimetry.values);
        EXPECT_EQ(b.light.cqs.Qa.value, a.light.cqs.Qa.value);
        EXPECT_EQ(b.light.photonFlux.ppfd.value, a.light.photonFlux.ppfd.value);
        EXPECT_EQ(b.rendition.Rf, a.rendition.Rf);
    }
    EXPECT_TRUE(computeSpectrumFigures(falling.wavelength, falling.intensity, 1).order.reversed);
    EXPECT_TRUE(computeSpectrumFigures(shuffled.wavelength, shuffled.intensity, 1).order.sorted);

    std::vector<double> x = {500, 400, 500, 600}, y = {1, 2, 3, 4};
    const WavelengthOrder o = orderByWavelength(x, y);
    EXPECT_EQ(x, (std::vector<double>{400, 500, 600}));
    EXPECT_EQ(y, (std::vector<double>{2, 2, 4}));
    EXPECT_TRUE(o.sorted);
    EXPECT_EQ(o.merged, 1);
}

TEST(LightTables, GeneratedFromTheDataFiles) {
    // The action spectra as read; the CQS samples' 5 nm values exactly and a
    // spline between them.
    EXPECT_EQ(AlphaOpicTable[480 - kLightFirstNm].s[0], 0.350108);
    EXPECT_EQ(AlphaOpicTable[480 - kLightFirstNm].s[4], 0.965605);
    EXPECT_EQ(AlphaOpicTable[780 - kLightFirstNm].s[4], 2.05258e-08);
    EXPECT_EQ(QualitySampleTable[0][0], 0.0530);
    EXPECT_EQ(QualitySampleTable[5][13], 0.1440);  // VS14 at 385 nm
    const double between = QualitySampleTable[2][0];
    EXPECT_GT(between, std::min(0.0530, 0.0507) - 0.001);
    EXPECT_LT(between, std::max(0.0530, 0.0507) + 0.001);
    EXPECT_EQ(LightDaylightTable[0].s0, 66.1);  // 375 nm
    EXPECT_DOUBLE_EQ(LightDaylightTable[2].s1, 40.45 + 0.4 * (38.5 - 40.45));
}

}  // namespace
}  // namespace halden
