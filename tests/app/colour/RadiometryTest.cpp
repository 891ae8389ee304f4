#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <random>
#include <tuple>
#include <sstream>
#include <unistd.h>

#include "ColourTestData.h"
#include "colour/ColourTables.h"
#include "colour/CriReport.h"
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
    store->m_exposureScaled = 4;
    store->m_markerIndex = 1800;
    EXPECT_DOUBLE_EQ(markerIrradiance(*store), 1.5);
    store->m_fast = true;  // point 1800 is pixel 3600
    EXPECT_DOUBLE_EQ(markerIrradiance(*store), 3.75);
    store->m_markerIndex = 5000;
    EXPECT_EQ(markerIrradiance(*store), 0);
}

TEST_F(Radiometry, EnergyOnAnAxisThatIsNotOrderedStillSumsEveryPointInRange) {
    fillRow(0, 1.0);
    store->m_calcEnergy = true;
    store->m_exposureScaled = 1;
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
    store->m_exposureScaled = 2;
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

    store->m_fast = true;
    EXPECT_FALSE(energyFigures(*store).shown);
    store->m_fast = false;
    store->m_calcEnergy = false;
    EXPECT_FALSE(energyFigures(*store).shown);
    store->m_calcEnergy = true;
    fillRow(0, 0.0);
    EXPECT_FALSE(energyFigures(*store).shown);
}

TEST_F(Radiometry, LumenFigureWeighsByLuminousEfficiency) {
    fillRow(0, 1.0);
    store->m_exposureScaled = 2;
    const double sumV = std::accumulate(store->m_luminousEfficiency.begin(), store->m_luminousEfficiency.end(), 0.0);
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
    store->m_fast = true;
    EXPECT_NEAR(lumenFigure(*store), 683.002 * 3 * sumV / 2 / 1e6, 1e-14);
}

TEST_F(Radiometry, IrradianceFileNormalForm) {
    for (int i = 0; i < kSpectrumPoints; ++i) store->m_wavelength[i] = 300 + i * (600.0 / 3652);
    store->m_average = false;
    store->m_scans = 3;
    for (int c = 0; c < 3; ++c) fillRow(c, 100.0 * (c + 1));
    store->m_exposureScaled = 2;
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
    store->m_average = true;
    const auto one = lines(formatIrradianceFile(*store));
    EXPECT_EQ(one[121], "500\t4.000\t" + [] {
        char b[32];
        std::snprintf(b, sizeof b, "%.3f", 4.0 / 100 * PhotonWeightTable[110]);
        return std::string(b);
    }());
}

TEST_F(Radiometry, IrradianceFileFastForm) {
    store->m_fast = true;
    store->m_exposureScaled = 1000;  // not applied in the Fast form
    store->m_average = false;
    store->m_scans = 2;
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

    store->m_fast = true;
    EXPECT_FALSE(xyzPlanckCalibration(*store, prompt, "3200"));
    EXPECT_EQ(prompt.messages().back().text, messages::kCalibrationFastMode);
    store->m_fast = false;

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

// The lumen scan as first written: resume at the last nanometre's point and
// walk on while the distance shrinks, then step back by one.
double scannedLumens(const std::vector<double>& spectrum, const std::vector<double>& wavelength,
                     const std::vector<double>& cal, int last, int step, const double* v) {
    double sum = 0;
    int j = 0;
    for (int nm = kLuminousFirstNm; nm <= kLuminousLastNm; ++nm) {
        double best = 1000;
        while (j <= last) {
            const double d = std::fabs(wavelength[step * j] - nm);
            if (!(d < best)) break;
            best = d;
            ++j;
        }
        if (j > 0) --j;
        sum += spectrum[j] * cal[step * j] * v[nm - kLuminousFirstNm];
    }
    return 683.002 * sum / 3.5 / 1000000;
}

struct Axis {
    std::vector<double> wavelength, spectrum, cal;
};

// A rising axis from first with spacings drawn from [low, high], values and
// corrections that differ from point to point.
Axis randomAxis(std::mt19937& rng, double first, double low, double high, int points) {
    std::uniform_real_distribution<double> spacing(low, high), value(0.5, 2.0);
    Axis a;
    double w = first;
    for (int i = 0; i < points; ++i) {
        a.wavelength.push_back(w);
        a.spectrum.push_back(value(rng));
        a.cal.push_back(value(rng));
        w += spacing(rng);
    }
    return a;
}

TEST(LumenScan, GivesTheSameBitsAsTheStepwiseScanOnEveryKindOfAxis) {
    std::mt19937 rng(20261208);
    const double* v = kLuminousEfficiencyTable.data();
    std::vector<Axis> axes;
    // Instrument-like axes, coarse and fine, starting below, inside and
    // above the range, ending inside it or beyond.
    for (const auto& [first, low, high, points] :
         std::vector<std::tuple<double, double, double, int>>{{210, 0.17, 0.23, 3653},
                                                              {380, 0.05, 0.06, 3000},
                                                              {100, 0.4, 0.9, 2000},
                                                              {395, 0.2, 1.8, 400},
                                                              {500, 0.1, 0.3, 900},
                                                              {385, 2.0, 7.0, 120},
                                                              {850, 0.2, 0.3, 50},
                                                              {10, 0.2, 0.3, 100}})
        for (int copy = 0; copy < 3; ++copy) axes.push_back(randomAxis(rng, first, low, high, points));
    // Exact ties: points at every half nanometre lie equally far from the
    // nanometres between them; integer wavelengths hit nanometres exactly.
    for (double first : {389.5, 389.0, 300.25}) {
        Axis a;
        for (int i = 0; i < 1200; ++i) {
            a.wavelength.push_back(first + 0.5 * i);
            a.spectrum.push_back(1 + i % 7);
            a.cal.push_back(1 + i % 5);
        }
        axes.push_back(a);
    }
    // Axes the closed form refuses: repeated wavelengths, a fall, a NaN,
    // wavelengths far outside the range.
    Axis repeated = randomAxis(rng, 350, 0.2, 0.3, 3000);
    for (std::size_t i = 1; i < repeated.wavelength.size(); i += 3) repeated.wavelength[i] = repeated.wavelength[i - 1];
    axes.push_back(repeated);
    Axis falls = randomAxis(rng, 350, 0.2, 0.3, 3000);
    std::swap(falls.wavelength[1000], falls.wavelength[1001]);
    axes.push_back(falls);
    Axis nan = randomAxis(rng, 350, 0.2, 0.3, 3000);
    nan.wavelength[700] = std::nan("");
    axes.push_back(nan);
    // Past the last nanometre the axis is never read: a fall or a NaN there
    // changes nothing.
    Axis tail = randomAxis(rng, 350, 0.2, 0.3, 3000);
    tail.wavelength[2900] = std::nan("");
    std::swap(tail.wavelength[2950], tail.wavelength[2960]);
    axes.push_back(tail);
    axes.push_back(randomAxis(rng, -2000, 1.0, 1.5, 3000));
    axes.push_back(randomAxis(rng, 1500, 0.2, 0.3, 100));
    for (std::size_t n = 0; n < axes.size(); ++n) {
        const Axis& a = axes[n];
        const int points = static_cast<int>(a.wavelength.size());
        for (int step : {1, 2})
            for (int last : {0, 1, 7, 8, points / step / 2, (points - 1) / step}) {
                SCOPED_TRACE(testing::Message() << "axis " << n << " step " << step << " last " << last);
                const double expected = scannedLumens(a.spectrum, a.wavelength, a.cal, last, step, v);
                const double got =
                    luminousFlux(a.spectrum.data(), a.wavelength.data(), a.cal.data(), last, step, 3.5, v);
                EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << expected << " vs " << got;
            }
    }
}

TEST_F(Radiometry, EnergyRangesMatchAPlainSumOnRandomSpectra) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> value(0, 1000);
    store->m_calcEnergy = true;
    store->m_exposureScaled = 3;
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
