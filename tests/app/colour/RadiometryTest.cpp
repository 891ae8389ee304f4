#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <unistd.h>

#include "ColourTestData.h"
#include "colour/ColourTables.h"
#include "colour/CriReport.h"
#include "colour/LuminousEfficiencyTable.h"
#include "colour/Radiometry.h"
#include "common/Messages.h"
#include "spectrum/SpectrumStore.h"
#include "support/PromptRecorder.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

class Radiometry : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<SpectrumStore>();
        store->m_bufferSelect = false;  // the view reads m_bufferA
        std::fill(store->m_irradianceCal.begin(), store->m_irradianceCal.end(), 1.0);
    }
    double* row(int r) { return store->m_bufferA.data() + r * kPointCapacity; }
    void fillRow(int r, double value) { std::fill(row(r), row(r) + kPointCapacity, value); }
    int pointsWithin(double low, double high) const {
        int n = 0;
        for (int i = 0; i <= store->m_lastPoint; ++i)
            n += store->m_wavelength[i] >= low && store->m_wavelength[i] <= high;
        return n;
    }
    std::unique_ptr<SpectrumStore> store;
    test::PromptRecorder prompt;
};

TEST_F(Radiometry, SpectralIrradianceAndMarkerReadout) {
    fillRow(0, 3.0);
    store->m_bufferB.fill(99);  // being filled by the worker: never read
    store->m_irradianceCal[1800] = 2;
    store->m_irradianceCal[3600] = 5;
    store->m_liveAcquisition.settings.exposureScaled = 4;
    store->m_markerIndex = 1800;
    EXPECT_DOUBLE_EQ(markerIrradiance(*store), 1.5);
    store->m_liveAcquisition.settings.conditioning.fast = true;  // point 1800 is pixel 3600
    EXPECT_DOUBLE_EQ(markerIrradiance(*store), 3.75);
    store->m_markerIndex = 5000;
    EXPECT_EQ(markerIrradiance(*store), 0);
}

TEST_F(Radiometry, EnergyOnAnAxisThatIsNotOrderedStillSumsEveryPointInRange) {
    fillRow(0, 1.0);
    store->m_calcEnergy = true;
    store->m_liveAcquisition.settings.exposureScaled = 1;
    const double width = store->m_wavelength[1827] - store->m_wavelength[1826];
    const double inside = pointsWithin(380, 760);
    // Two points swapped: the ranges are no longer runs of points.
    std::swap(store->m_wavelength[100], store->m_wavelength[2000]);
    const EnergyFigures e = energyFigures(*store);
    ASSERT_TRUE(e.shown);
    EXPECT_NEAR(e.total, inside * width, 1e-9);
}

TEST_F(Radiometry, EnergySumsOverlappingRangesInclusiveBounds) {
    fillRow(0, 1.0);
    store->m_calcEnergy = true;
    store->m_liveAcquisition.settings.exposureScaled = 2;
    store->m_interval1Low = 380, store->m_interval1High = 490;
    store->m_interval2Low = 480, store->m_interval2High = 580;  // overlaps interval 1
    store->m_interval3Low = 700, store->m_interval3High = 600;  // empty
    const double width = store->m_wavelength[1827] - store->m_wavelength[1826];
    const EnergyFigures e = energyFigures(*store);
    ASSERT_TRUE(e.shown);
    EXPECT_NEAR(e.total, pointsWithin(380, 760) * width / 2, 1e-9);
    EXPECT_NEAR(e.range1, pointsWithin(380, 490) * width / 2, 1e-9);
    EXPECT_NEAR(e.range2, pointsWithin(480, 580) * width / 2, 1e-9);
    EXPECT_EQ(e.range3, 0);

    // A bound that is exactly a point's wavelength includes that point.
    store->m_energyLow = store->m_energyHigh = store->m_wavelength[2000];
    EXPECT_NEAR(energyFigures(*store).total, width / 2, 1e-12);

    store->m_liveAcquisition.settings.conditioning.fast = true;
    EXPECT_FALSE(energyFigures(*store).shown);
    store->m_liveAcquisition.settings.conditioning.fast = false;
    store->m_calcEnergy = false;
    EXPECT_FALSE(energyFigures(*store).shown);
    store->m_calcEnergy = true;
    fillRow(0, 0.0);
    EXPECT_FALSE(energyFigures(*store).shown);
}

TEST_F(Radiometry, LumenFigureWeighsByLuminousEfficiency) {
    fillRow(0, 1.0);
    store->m_liveAcquisition.settings.exposureScaled = 2;
    const double sumV = std::accumulate(kLuminousEfficiencyTable.begin(), kLuminousEfficiencyTable.end(), 0.0);
    EXPECT_NEAR(lumenFigure(*store), 683.002 * sumV / 2 / 1e6, 1e-15);

    // The nearest point of each nanometre: a marked point near 556 nm counts
    // only for 556 nm.
    int near556 = 0;
    for (int i = 0; i < kSpectrumPoints; ++i)
        if (std::fabs(store->m_wavelength[i] - 556) < std::fabs(store->m_wavelength[near556] - 556)) near556 = i;
    row(0)[near556] = 11;
    EXPECT_NEAR(lumenFigure(*store), 683.002 * (sumV + 10 * 0.999906) / 2 / 1e6, 1e-15);

    // Fast mode: point i stands for pixel 2i.
    fillRow(0, 1.0);
    std::fill(store->m_irradianceCal.begin(), store->m_irradianceCal.end(), 3.0);
    store->m_liveAcquisition.settings.conditioning.fast = true;
    EXPECT_NEAR(lumenFigure(*store), 683.002 * 3 * sumV / 2 / 1e6, 1e-14);
}

TEST_F(Radiometry, IrradianceFileNormalForm) {
    for (int i = 0; i < kSpectrumPoints; ++i) store->m_wavelength[i] = 300 + i * (600.0 / 3652);
    store->m_liveAcquisition.settings.device.average = false;
    store->m_liveAcquisition.settings.device.scans = 3;
    for (int c = 0; c < 3; ++c) fillRow(c, 100.0 * (c + 1));
    store->m_liveAcquisition.settings.exposureScaled = 2;
    const auto l = lines(formatIrradianceFile(*store));
    ASSERT_EQ(l.size(), 1u + 521);  // header, 380..900
    EXPECT_EQ(l[0], "Wavelength    uW/cm^2/nm    umol/m2");
    EXPECT_EQ(l[1].substr(0, 4), "380\t");
    EXPECT_EQ(l[1], "380\t50.000\t100.000\t150.000\t");  // no photon column below 390
    EXPECT_EQ(l[121], "500\t50.000\t100.000\t150.000\t1.463");  // 0.5 x F(500) from column 0
    EXPECT_EQ(l[341].substr(0, 4), "720\t");
    EXPECT_NE(l[341].back(), '\t');
    EXPECT_EQ(l[342], "721\t50.000\t100.000\t150.000\t");
    EXPECT_EQ(l.back().substr(0, 4), "900\t");

    // The point of each line is the last one below L + 1.
    fillRow(0, 0.0);
    int lastBelow501 = 0;
    for (int i = 0; i < kSpectrumPoints; ++i)
        if (store->m_wavelength[i] < 501) lastBelow501 = i;
    row(0)[lastBelow501] = 8;
    store->m_liveAcquisition.settings.device.average = true;
    const auto one = lines(formatIrradianceFile(*store));
    EXPECT_EQ(one[121], "500\t4.000\t" + [] {
        char b[32];
        std::snprintf(b, sizeof b, "%.3f", 4.0 / 100 * PhotonWeightTable[110]);
        return std::string(b);
    }());
}

TEST_F(Radiometry, IrradianceFileFastForm) {
    store->m_liveAcquisition.settings.conditioning.fast = true;
    store->m_liveAcquisition.settings.exposureScaled = 1000;  // not applied in the Fast form
    store->m_liveAcquisition.settings.device.average = false;
    store->m_liveAcquisition.settings.device.scans = 2;
    fillRow(0, 1.5);
    fillRow(1, 2.5);
    const std::string text = formatIrradianceFile(*store);
    const auto l = lines(text);
    int expected = 0;
    for (int i = 0; 2 * i <= 3652; ++i)
        expected += store->m_wavelength[2 * i] >= 380 && store->m_wavelength[2 * i] <= 760;
    ASSERT_EQ(static_cast<int>(l.size()), expected);
    char first[64];
    int i0 = 0;
    while (store->m_wavelength[2 * i0] < 380) ++i0;
    std::snprintf(first, sizeof first, "%.3f\t1.500\t2.500", store->m_wavelength[2 * i0]);
    EXPECT_EQ(l[0], first);
}

TEST_F(Radiometry, SaveWritesTheFileAndTheReportWhenChromaticityIsOn) {
    const fs::path dir = fs::temp_directory_path() / ("halden-irr-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "lamp.txt").string();
    fillRow(0, 1.0);
    ASSERT_TRUE(saveNormalizedToSensitivity(*store, prompt, path));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(fs::exists(criReportPath(path)));
    store->m_chromaticityView = true;
    ASSERT_TRUE(saveNormalizedToSensitivity(*store, prompt, path));
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), formatIrradianceFile(*store));
    EXPECT_TRUE(fs::exists(criReportPath(path)));
    EXPECT_TRUE(prompt.messages().empty());

    EXPECT_FALSE(saveNormalizedToSensitivity(*store, prompt, (dir / "no" / "x.txt").string()));
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "ERROR DURING CREATION THE OUT FILE");
    EXPECT_EQ(prompt.messages()[0].caption, "ERROR");
    fs::remove_all(dir);
}

TEST_F(Radiometry, PlanckCalibrationOfABlackBodyGivesUnitCorrections) {
    for (int i = 0; i < kSpectrumPoints; ++i) {
        const double nm = store->m_wavelength[i];
        row(0)[i] = test::planck(nm, 3200, 14404000);
        if (nm < 240) row(0)[i] *= 1e-4;  // a weak detector end
    }
    const double peak = *std::max_element(row(0), row(0) + kSpectrumPoints);
    for (int i = 0; i < kSpectrumPoints; ++i) row(0)[i] *= 60000 / peak;

    ASSERT_TRUE(xyzPlanckCalibration(*store, prompt, kBlackBodyDefaultText));
    EXPECT_TRUE(prompt.messages().empty());
    double lowest = 1e9;
    for (int i = 0; i < kSpectrumPoints; ++i) {
        const double nm = store->m_wavelength[i];
        if (nm >= 360 && nm <= 750) {
            EXPECT_NEAR(store->m_irradianceCal[i], 1.0, 1e-3) << nm;
            lowest = std::min(lowest, store->m_irradianceCal[i]);
        }
        if (nm < 240) {
            EXPECT_EQ(store->m_irradianceCal[i], 0) << nm;  // above 300: blanked
        }
    }
    EXPECT_NEAR(lowest, 1.0, 1e-6);
    EXPECT_EQ(store->m_irradianceCalibrated, false);
    EXPECT_EQ(store->m_exposureScaled, 3832);
}

TEST_F(Radiometry, PlanckCalibrationRefusesBadInputAndKeepsTheCorrection) {
    for (int i = 0; i < kSpectrumPoints; ++i) row(0)[i] = 100 + i;
    std::fill(store->m_irradianceCal.begin(), store->m_irradianceCal.end(), 0.5);
    for (const char* text : {"", "abc", "0", "-3200", "nan", "inf", "3200K", "1e999"}) {
        EXPECT_FALSE(xyzPlanckCalibration(*store, prompt, text)) << text;
        EXPECT_EQ(prompt.messages().back().text, messages::kBadTemperature);
        EXPECT_EQ(prompt.messages().back().caption, "Error");
    }
    EXPECT_TRUE(xyzPlanckCalibration(*store, prompt, " 2856.5 "));
    std::fill(store->m_irradianceCal.begin(), store->m_irradianceCal.end(), 0.5);

    store->m_liveAcquisition.settings.conditioning.fast = true;
    EXPECT_FALSE(xyzPlanckCalibration(*store, prompt, "3200"));
    EXPECT_EQ(prompt.messages().back().text, messages::kCalibrationFastMode);
    store->m_liveAcquisition.settings.conditioning.fast = false;

    fillRow(0, 7.0);  // flat: no shape to correct against
    EXPECT_FALSE(xyzPlanckCalibration(*store, prompt, "3200"));
    EXPECT_EQ(prompt.messages().back().text, messages::kCalibrationNoResult);
    EXPECT_TRUE(std::all_of(store->m_irradianceCal.begin(), store->m_irradianceCal.end(),
                            [](double v) { return v == 0.5; }));
}

}  // namespace
}  // namespace halden

namespace halden {
namespace {

// The point of the axis nearest to nm.
int nearestPoint(const SpectrumStore& store, double nm) {
    int best = 0;
    for (int i = 0; i <= store.m_lastPoint; ++i)
        if (std::fabs(store.m_wavelength[i] - nm) < std::fabs(store.m_wavelength[best] - nm)) best = i;
    return best;
}

TEST_F(Radiometry, MonochromaticLightAt555nmGives683LumensPerWatt) {
    // The lumen figure weighs each nanometre with the irradiance of its
    // nearest point over 1 nm: a line holding E uW/cm^2/nm at one point is
    // E uW/cm^2 of monochromatic light. Exposure and correction apply as to
    // every figure.
    fillRow(0, 0.0);
    store->m_liveAcquisition.settings.exposureScaled = 2.5;
    const int line = nearestPoint(*store, 555);
    ASSERT_LT(std::fabs(store->m_wavelength[line] - 555), 0.5);
    store->m_irradianceCal[line] = 4.0;
    const double irradiance = 50;  // uW/cm^2
    row(0)[line] = irradiance * 2.5 / 4.0;
    // Lumens per cm^2 over watts per cm^2: 683 lm/W, to the precision of the
    // table (its V at 555 nm is 0.999867).
    EXPECT_NEAR(lumenFigure(*store) / (irradiance * 1e-6), 683.0, 683.0 * 2e-4);

    // Ultraviolet and infrared lines of any strength give no lumens.
    ASSERT_LT(store->m_wavelength[0], 300);
    ASSERT_GT(store->m_wavelength[store->m_lastPoint], 900);
    fillRow(0, 0.0);
    row(0)[nearestPoint(*store, 300)] = 1e6;
    row(0)[nearestPoint(*store, 900)] = 1e6;
    EXPECT_EQ(lumenFigure(*store), 0);
}

TEST_F(Radiometry, BlackBodyLumensPerWattMatchItsLuminousEfficacy) {
    // A Planckian radiator's luminous efficacy, lumens per watt of all its
    // radiation (Stefan-Boltzmann), is 683 lm/W x integral(V M) / sigma T^4.
    // With the CIE photopic V(lambda) at 1 nm and c2 = 1.4388e-2 m K this is
    // 16.4 lm/W at 2856 K (CIE illuminant A; the 15.9 sometimes quoted does not
    // follow from these definitions) and 95 lm/W at 6600 K, near the black
    // body's greatest efficacy. The lumen table's V is slightly broader than
    // the CIE one (at most +2% here), hence the 2.5% tolerance; a lost factor,
    // a skipped or doubled part of 390..830 nm or the wrong correction per
    // point lies far outside it. The shape of V itself is the 555 nm test's.
    constexpr double c1 = 3.741771852e-16, c2 = 1.438776877e-2, sigma = 5.670374419e-8;  // SI
    for (const auto& [kelvin, efficacy] : std::vector<std::pair<double, double>>{{2856, 16.4}, {6600, 95.0}})
        for (bool fast : {false, true}) {
            SCOPED_TRACE(testing::Message() << kelvin << " K" << (fast ? ", Fast mode" : ""));
            store->m_liveAcquisition.settings.conditioning.fast = fast;
            store->m_liveAcquisition.settings.exposureScaled = 3;
            // The radiator's spectral irradiance for a total of 100 uW/cm^2
            // (1 W/m^2), in counts through a correction that varies per point.
            const int step = fast ? 2 : 1;
            for (int i = 0; step * i <= store->m_lastPoint; ++i) {
                const int pixel = step * i;
                const double metres = store->m_wavelength[pixel] * 1e-9;
                const double perNm = c1 / std::pow(metres, 5) / std::expm1(c2 / (metres * kelvin)) * 1e-9;
                const double irradiance = 100 * perNm / (sigma * std::pow(kelvin, 4));  // uW/cm^2/nm
                store->m_irradianceCal[pixel] = 0.5 + 0.25 * (i % 7);
                row(0)[i] = irradiance * store->m_liveAcquisition.exposureScaled() / store->m_irradianceCal[pixel];
            }
            EXPECT_NEAR(lumenFigure(*store) / 100e-6, efficacy, 0.025 * efficacy);
        }
}

TEST_F(Radiometry, EnergyRangesMatchAPlainSumOnRandomSpectra) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> value(0, 1000);
    store->m_calcEnergy = true;
    store->m_liveAcquisition.settings.exposureScaled = 3;
    for (int i = 0; i < kSpectrumPoints; ++i) {
        row(0)[i] = value(rng);
        store->m_irradianceCal[i] = value(rng) / 100;
    }
    const double width = store->m_wavelength[1827] - store->m_wavelength[1826];
    const auto plain = [&](double low, double high) {
        long double sum = 0;
        for (int i = 0; i <= store->m_lastPoint; ++i)
            if (store->m_wavelength[i] >= low && store->m_wavelength[i] <= high)
                sum += static_cast<long double>(row(0)[i] * store->m_irradianceCal[i] * width);
        return static_cast<double>(sum / 3);
    };
    // Ranges of every length from none to all, with bounds on and between points.
    for (const auto& [low, high] : std::vector<std::pair<double, double>>{
             {380, 760}, {0, 2000}, {400.0, 400.1}, {store->m_wavelength[999], store->m_wavelength[1015]},
             {store->m_wavelength[5], store->m_wavelength[5]}, {500, 499}}) {
        store->m_interval2Low = low;
        store->m_interval2High = high;
        const EnergyFigures e = energyFigures(*store);
        ASSERT_TRUE(e.shown);
        EXPECT_NEAR(e.range2, plain(low, high), 1e-12 * std::max(1.0, plain(low, high)));
        EXPECT_NEAR(e.total, plain(380, 760), 1e-12 * plain(380, 760));
    }
}

}  // namespace
}  // namespace halden
