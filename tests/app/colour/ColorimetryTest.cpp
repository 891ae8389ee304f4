#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "ColourTestData.h"
#include "colour/Colorimetry.h"
#include "spectrum/SpectrumStore.h"

namespace halden {
namespace {

using R = ColorimetryResult;

ColorimetryResult run(test::Spectrum s) {
    ColorimetryResult r;
    computeColorimetry(s.intensity.data(), s.wavelength.data(), s.last(), r);
    return r;
}

// Steps 2-5 written out plainly: in-place window means, a nearest-point scan
// per grid wavelength (later point wins ties), S0 = 0 and the observer sums.
struct Chroma {
    double x, y, z, u, v;
};

int halfWidth(const test::Spectrum& s) { return static_cast<int>(2.0 / (s.wavelength[1] - s.wavelength[0])); }

Chroma plainChromaticity(test::Spectrum s, const test::ObserverCsv& o, int w) {
    std::vector<double>& a = s.intensity;
    const int last = s.last();
    if (w > 0) {
        auto mean = [&](int from, int to) {
            double sum = 0;
            for (int k = from; k <= to; ++k) sum += a[k];
            return sum / (to - from + 1);
        };
        for (int i = 0; i <= w; ++i) a[i] = mean(0, i + w);
        for (int i = w; i <= last - w; ++i) a[i] = mean(i - w, i + w);
        for (int i = last - w; i <= last; ++i) a[i] = mean(i - w, last);
    }
    double X = 0, Y = 0, Z = 0;
    for (int k = 1; k < 471; ++k) {
        int best = 0;
        for (int j = 0; j <= last; ++j)
            if (std::fabs(s.wavelength[j] - (360 + k)) <= std::fabs(s.wavelength[best] - (360 + k))) best = j;
        const double y = k >= 469 ? 0 : o.y[k];
        X += a[best] * o.x[k];
        Y += a[best] * y;
        Z += a[best] * o.z[k];
    }
    const double sum = X + Y + Z;
    Chroma c{X / sum, Y / sum, Z / sum, 0, 0};
    const double d = -2 * c.x + 12 * c.y + 3;
    c.u = 4 * c.x / d;
    c.v = 6 * c.y / d;
    return c;
}

void expectChromaticity(const ColorimetryResult& r, const Chroma& c, double tolerance) {
    EXPECT_NEAR(r[R::kX], c.x, tolerance);
    EXPECT_NEAR(r[R::kY], c.y, tolerance);
    EXPECT_NEAR(r[R::kZ], c.z, tolerance);
    EXPECT_NEAR(r[R::kU], c.u, tolerance);
    EXPECT_NEAR(r[R::kV], c.v, tolerance);
}

TEST(Colorimetry, BlackBodiesGiveTheirTemperatureAndRenderLikeTheReference) {
    const auto obs = test::readObserverCsv();
    for (double kelvin : {2000.0, 3000.0, 6500.0}) {
        SCOPED_TRACE(kelvin);
        const ColorimetryResult r = run(test::blackBodySpectrum(kelvin));
        double u, v;
        test::blackBodyUv(obs, kelvin, u, v);
        EXPECT_NEAR(r[R::kU], u, 2e-5);
        EXPECT_NEAR(r[R::kV], v, 2e-5);
        EXPECT_NEAR(r[R::kX] + r[R::kY] + r[R::kZ], 1.0, 1e-12);
        EXPECT_NEAR(r[R::kTc], kelvin, 3.0);
        EXPECT_LT(r[R::kDC], 2e-5);
        EXPECT_GE(r[R::kDC], 0);
        for (int i = 0; i < 14; ++i) {
            EXPECT_GT(r[R::kR1 + i], 99.0) << "R" << i + 1;
            EXPECT_NEAR(r[R::kR1 + i], 100 - 4.6 * r[R::kDeltaE1 + i], 1e-9);
        }
        EXPECT_GT(r[R::kRa], 99.5);
        EXPECT_GT(r[R::kRe], 99.5);
    }
}

TEST(Colorimetry, SmoothingResamplingAndSumsFollowThePlainDefinition) {
    const auto obs = test::readObserverCsv();
    // A ragged spectrum at 0.45 nm (w = 4), 0.8 nm (w = 2) and 2.5 nm (no smoothing).
    for (double step : {0.45, 0.8, 2.5}) {
        SCOPED_TRACE(step);
        test::Spectrum s;
        for (double nm = 355; nm <= 840; nm += step) {
            s.wavelength.push_back(nm);
            s.intensity.push_back(1 + 0.5 * std::sin(nm / 7.0) + ((s.intensity.size() % 3) == 0 ? 0.8 : 0.0));
        }
        expectChromaticity(run(s), plainChromaticity(s, obs, halfWidth(s)), 1e-12);
    }
}

TEST(Colorimetry, ResamplingFollowsThePlainDefinitionOnIrregularAxes) {
    const auto obs = test::readObserverCsv();
    std::mt19937 rng(4711);
    // Spacings that vary from point to point, axes that start or end inside
    // the grid, points exactly on grid wavelengths and halfway between them.
    struct Shape {
        double first, low, high;
        int points;
    };
    for (const Shape& shape : {Shape{355, 2.1, 6.0, 120}, Shape{420, 1.0, 3.0, 300}, Shape{300, 2.5, 2.5, 200},
                               Shape{359.5, 2.5, 2.5, 190}, Shape{200, 2.05, 9.0, 200}, Shape{500, 3.0, 3.0, 50}}) {
        SCOPED_TRACE(testing::Message() << "from " << shape.first << " spacing " << shape.low << ".." << shape.high);
        std::uniform_real_distribution<double> spacing(shape.low, shape.high), value(0.5, 2.0);
        test::Spectrum s;
        double nm = shape.first;
        for (int i = 0; i < shape.points; ++i, nm += spacing(rng)) {
            s.wavelength.push_back(nm);
            s.intensity.push_back(value(rng));
        }
        expectChromaticity(run(s), plainChromaticity(s, obs, halfWidth(s)), 1e-12);
    }
}

TEST(Colorimetry, RepeatedWavelengthsTakeTheLastOfTheEqualPoints) {
    const auto obs = test::readObserverCsv();
    // Every wavelength listed three times with different values, 0.5 nm apart.
    test::Spectrum s;
    for (double nm = 350; nm <= 840; nm += 0.5)
        for (int copy = 0; copy < 3; ++copy) {
            s.wavelength.push_back(nm);
            s.intensity.push_back(1 + copy + 0.5 * std::sin(nm / 11.0));
        }
    expectChromaticity(run(s), plainChromaticity(s, obs, 0), 1e-12);  // equal first wavelengths: no smoothing
}

TEST(Colorimetry, WideSpacingSkipsSmoothingAndSamplesTheNearestPoint) {
    const auto obs = test::readObserverCsv();
    // 5 nm data from 360 nm: each grid wavelength takes its own nearest point,
    // from the first points on, with the raw (unsmoothed) values.
    test::Spectrum s;
    for (double nm = 360; nm <= 830; nm += 5) {
        s.wavelength.push_back(nm);
        s.intensity.push_back(s.wavelength.size() % 2 ? 1.0 : 5.0);
    }
    const ColorimetryResult r = run(s);
    expectChromaticity(r, plainChromaticity(s, obs, 0), 1e-12);
    EXPECT_GT(std::fabs(r[R::kX] - plainChromaticity(s, obs, 1).x), 1e-6);  // smoothing would show
}

TEST(Colorimetry, FallingWavelengthsGiveTheSameResultAsRising) {
    test::Spectrum rising = test::blackBodySpectrum(3000, 340, 1000, 0.21);
    for (std::size_t i = 0; i < rising.intensity.size(); ++i) rising.intensity[i] *= 1 + 0.3 * std::sin(i * 0.37);
    test::Spectrum falling = rising;
    std::reverse(falling.wavelength.begin(), falling.wavelength.end());
    std::reverse(falling.intensity.begin(), falling.intensity.end());
    const ColorimetryResult a = run(rising), b = run(falling);
    for (std::size_t i = 0; i < R::kCount; ++i) EXPECT_EQ(a[i], b[i]) << i;

    // The arrays come back re-ordered to rising wavelength.
    computeColorimetry(falling.intensity.data(), falling.wavelength.data(), falling.last(),
                       *std::make_unique<ColorimetryResult>());
    EXPECT_LT(falling.wavelength.front(), falling.wavelength.back());
}

TEST(Colorimetry, RangeEndingBelow830TakesTheLastPointBeyondIt) {
    test::Spectrum shortRange, extended;
    for (double nm = 351; nm <= 699; nm += 3) {
        shortRange.wavelength.push_back(nm);
        shortRange.intensity.push_back(1 + std::cos(nm / 30));
    }
    extended = shortRange;
    const double lastValue = shortRange.intensity.back();
    for (double nm = 702; nm <= 840; nm += 3) {
        extended.wavelength.push_back(nm);
        extended.intensity.push_back(lastValue);
    }
    const ColorimetryResult a = run(shortRange), b = run(extended);
    for (std::size_t i = 0; i < R::kCount; ++i) EXPECT_EQ(a[i], b[i]) << i;
}

TEST(Colorimetry, VeryRedSourceHasNoTcButEveryOtherEntryIsWritten) {
    ColorimetryResult r;
    r.values.fill(777);
    test::Spectrum s = test::blackBodySpectrum(1200);
    computeColorimetry(s.intensity.data(), s.wavelength.data(), s.last(), r);
    EXPECT_EQ(r[R::kTc], -1);
    EXPECT_EQ(r[R::kDC], 777);  // left as it was
    EXPECT_GT(r[R::kX], 0.55);
    for (std::size_t i = 0; i < R::kCount; ++i)
        if (i != R::kDC) {
            EXPECT_NE(r[i], 777) << i;
        }
}

TEST(Colorimetry, NarrowBandSourceGivesNegativeIndices) {
    test::Spectrum s;
    for (double nm = 340; nm <= 1000; nm += 0.2) {
        s.wavelength.push_back(nm);
        s.intensity.push_back(std::exp(-0.5 * std::pow((nm - 589) / 3, 2)) + 1e-6);
    }
    const ColorimetryResult r = run(s);
    ASSERT_GT(r[R::kTc], 1667);
    ASSERT_LT(r[R::kTc], 2500);
    const double lowest = *std::min_element(r.values.begin() + R::kR1, r.values.begin() + R::kR1 + 14);
    EXPECT_LT(lowest, 0);
    double ra = 0, re = 0;
    for (int i = 0; i < 14; ++i) {
        if (i < 8) ra += r[R::kR1 + i];
        re += r[R::kR1 + i];
    }
    EXPECT_NEAR(r[R::kRa], ra / 8, 1e-12);
    EXPECT_NEAR(r[R::kRe], re / 14, 1e-12);
    EXPECT_LT(r[R::kRa], 50);
}

TEST(Colorimetry, DegenerateSpectraDoNotCrash) {
    // Zero over 361-830 nm: non-finite chromaticity, no Tc.
    test::Spectrum zero = test::blackBodySpectrum(3000);
    std::fill(zero.intensity.begin(), zero.intensity.end(), 0.0);
    ColorimetryResult r = run(zero);
    EXPECT_TRUE(std::isnan(r[R::kX]));
    EXPECT_EQ(r[R::kTc], -1);

    // Equal first wavelengths, falling-then-rising order, a very fine spacing
    // and two points: the smoothing window stays inside the spectrum.
    test::Spectrum same = test::blackBodySpectrum(3000);
    same.wavelength[1] = same.wavelength[0];
    r = run(same);
    EXPECT_NEAR(r[R::kTc], 3000, 5);

    test::Spectrum fine;
    for (int i = 0; i < 40; ++i) {
        fine.wavelength.push_back(550 + i * 1e-6);
        fine.intensity.push_back(1 + i);
    }
    r = run(fine);
    EXPECT_TRUE(std::isfinite(r[R::kX]));

    test::Spectrum two;
    two.wavelength = {500, 600};
    two.intensity = {1, 2};
    r = run(two);
    EXPECT_TRUE(std::isfinite(r[R::kY]));
}

TEST(Colorimetry, StoreCallUsesTheDisplayedBufferTimesTheCorrection) {
    auto store = std::make_unique<SpectrumStore>();
    store->m_bufferSelect = true;  // the view reads m_bufferB
    test::Spectrum expected;
    for (int i = 0; i < kSpectrumPoints; ++i) {
        const double nm = store->m_wavelength[i];
        store->m_irradianceCal[i] = 1 + i * 1e-4;
        store->m_bufferB[i] = test::planck(nm, 3000) / store->m_irradianceCal[i];
        store->m_bufferA[i] = 1;
        expected.wavelength.push_back(nm);
        expected.intensity.push_back(store->m_bufferB[i] * store->m_irradianceCal[i]);
    }
    const ColorimetryResult want = run(expected);
    const ColorimetryResult got = storeColorimetry(*store);
    for (std::size_t i = 0; i < R::kCount; ++i) EXPECT_EQ(got[i], want[i]) << i;

    // A spectrum taken in Fast mode: point i stands for pixel 2i.
    store->m_liveAcquisition.settings.conditioning.fast = true;
    test::Spectrum fast;
    for (int i = 0; i <= 1825; ++i) {
        store->m_bufferB[i] = test::planck(store->m_wavelength[2 * i], 5000) / store->m_irradianceCal[2 * i];
        fast.wavelength.push_back(store->m_wavelength[2 * i]);
        fast.intensity.push_back(store->m_bufferB[i] * store->m_irradianceCal[2 * i]);
    }
    const ColorimetryResult gotFast = storeColorimetry(*store);
    EXPECT_EQ(gotFast[R::kTc], run(fast)[R::kTc]);
    EXPECT_NEAR(gotFast[R::kTc], 5000, 5);
}

}  // namespace
}  // namespace halden
