// The CCD model: dark pixels, exposure scaling, saturation, noise and the
// spectral features of every scene at the pixels the calibration names.
#include "VirtualFixture.h"

#include <algorithm>
#include <cmath>

namespace vantrel::test {
namespace {

using namespace virt;

class VirtualScene : public VirtualTest {
protected:
    VirtualSpectrometer& device() { return hub().device(0); }

    // The active pixel whose calibrated wavelength is nearest.
    int pixelAt(double nm)
    {
        const std::vector<double> wavelength = device().factoryCalibration().wavelength;
        int best = 0;
        for (int k = 1; k < kPoints; ++k)
            if (std::abs(wavelength[k] - nm) < std::abs(wavelength[best] - nm)) best = k;
        return kFirstActivePixel + best;
    }
    double counts(int pixel, std::uint32_t exposure = 1000) { return device().expectedCounts(pixel, exposure); }
    double peakCounts()
    {
        double peak = 0;
        for (int p = kFirstActivePixel; p <= kLastActivePixel; ++p) peak = std::max(peak, counts(p));
        return peak;
    }
    int brightestPixel()
    {
        int best = kFirstActivePixel;
        for (int p = kFirstActivePixel; p <= kLastActivePixel; ++p)
            if (counts(p) > counts(best)) best = p;
        return best;
    }
    // A peak within a pixel of the wavelength, standing out from its surroundings.
    void expectPeakAt(double nm)
    {
        const int centre = pixelAt(nm);
        int best = centre - 2;
        for (int p = centre - 2; p <= centre + 2; ++p)
            if (counts(p) > counts(best)) best = p;
        EXPECT_LE(std::abs(best - centre), 1) << nm << " nm";
        EXPECT_GT(counts(best), std::max(counts(best - 1), counts(best + 1)) - 1e-9) << nm << " nm";
        const double shoulder = std::max(counts(centre - 15), counts(centre + 15));
        EXPECT_GT(counts(best) - darkLevel(best, 1000), 1.3 * (shoulder - darkLevel(best, 1000)))
            << nm << " nm";
    }
};

TEST_F(VirtualScene, LampAtTenMillisecondsIsBrightButNotClipped)
{
    const double peak = peakCounts();
    EXPECT_GT(peak, 30000);
    EXPECT_LT(peak, 50000);
    // Counts above the dark level scale with exposure and saturate.
    const int p = brightestPixel();
    EXPECT_NEAR(counts(p, 500) - darkLevel(p, 500), 0.5 * (counts(p, 1000) - darkLevel(p, 1000)), 1.0);
    EXPECT_EQ(counts(p, 100000), 65535);
    // Dark-reference pixels see no light and carry the slope of the dark level.
    EXPECT_EQ(counts(20), darkLevel(20, 1000));
    EXPECT_EQ(counts(3690), darkLevel(3690, 1000));
    EXPECT_GT(counts(3690), counts(20));
    EXPECT_GT(counts(40), counts(31) + 100);
}

TEST_F(VirtualScene, NoiseIsDeterministicAndShotLimited)
{
    Link link;
    link.transact(acquisitionParameters(2, 0, 0, 1000));
    link.send({kCmdTriggerAcquisition});
    const auto a = pixelsOf(link.stream(frameRequest(0)));
    hub().reset();
    hub().setTiming(Timing::Instant);
    hub().setDeviceCount(2);
    Link again;
    again.transact(acquisitionParameters(2, 0, 0, 1000));
    again.send({kCmdTriggerAcquisition});
    EXPECT_EQ(pixelsOf(again.stream(frameRequest(0))), a);

    double sum = 0, sumSquares = 0;
    const int p0 = brightestPixel();
    for (int p = p0 - 50; p < p0 + 50; ++p) {
        const double d = a[static_cast<std::size_t>(p)] - counts(p);
        sum += d;
        sumSquares += d * d;
    }
    const double sigma = std::sqrt(sumSquares / 100 - (sum / 100) * (sum / 100));
    const double shot = std::sqrt(counts(p0) - darkLevel(p0, 1000));
    EXPECT_GT(sigma, 0.6 * shot);
    EXPECT_LT(sigma, 1.4 * shot);

    hub().device(0).setNoise(false);
    const auto quiet = hub().device(0).currentFrame(0);
    EXPECT_EQ(quiet[1800], static_cast<std::uint16_t>(std::lround(counts(1800))));
}

TEST_F(VirtualScene, FluorescentShowsMercuryLinesAndPhosphorBands)
{
    device().setScene(Scene::Fluorescent);
    for (double nm : {404.7, 435.8, 546.1, 578.0, 487.0, 611.0}) expectPeakAt(nm);
    EXPECT_LE(std::abs(brightestPixel() - pixelAt(546.1)), 2);
    EXPECT_LT(peakCounts(), 50000);
}

TEST_F(VirtualScene, LedShowsBlueDieAndPhosphor)
{
    device().setScene(Scene::Led);
    EXPECT_LE(std::abs(brightestPixel() - pixelAt(450.0)), 3);
    const double dip = counts(pixelAt(490.0)), phosphor = counts(pixelAt(560.0));
    EXPECT_GT(phosphor, dip);
    EXPECT_GT(phosphor, 0.25 * peakCounts());
}

TEST_F(VirtualScene, RamanShowsLaserAndPolystyreneBands)
{
    device().setScene(Scene::Raman);
    EXPECT_LE(std::abs(brightestPixel() - pixelAt(532.1)), 1);
    EXPECT_NEAR(ramanBandWavelength(620.9), 550.28, 0.01);
    for (double shift : {620.9, 1001.4, 1031.8, 1602.3, 2904.5, 3054.3}) expectPeakAt(ramanBandWavelength(shift));
    // 1001.4 is the strongest band.
    const double strongest = counts(pixelAt(ramanBandWavelength(1001.4)));
    for (double shift : {620.9, 1155.3, 1602.3, 3054.3})
        EXPECT_GT(strongest, counts(pixelAt(ramanBandWavelength(shift))));
}

TEST_F(VirtualScene, SampleAbsorbsAndFlatIsUniform)
{
    const int band = pixelAt(515.0), clear = pixelAt(470.0);
    const double lampBand = counts(band) - darkLevel(band, 1000);
    const double lampClear = counts(clear) - darkLevel(clear, 1000);
    device().setScene(Scene::Sample);
    EXPECT_NEAR((counts(band) - darkLevel(band, 1000)) / lampBand, sampleTransmission(515.0), 0.01);
    EXPECT_GT((counts(clear) - darkLevel(clear, 1000)) / lampClear, 0.8);

    device().setScene(Scene::Flat);
    for (int p : {kFirstActivePixel, 1000, kLastActivePixel})
        EXPECT_NEAR(counts(p) - darkLevel(p, 1000), 30000, 0.01);
    EXPECT_EQ(counts(32), darkLevel(32, 1000));
}

}  // namespace
}  // namespace vantrel::test
