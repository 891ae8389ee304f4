// The noise generator and the kept noise-free frame: deviates that are
// normal out to the tails, and frames that follow every change of exposure,
// averaging, element range and scene.
#include "virtual/CcdModel.h"
#include "virtual/NormalDeviates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace vantrel::test {
namespace {

using namespace virt;

std::vector<double> deviates(std::uint64_t seed, int count)
{
    NormalSource source(seed);
    std::vector<double> out(static_cast<std::size_t>(count));
    for (int i = 0; i < count; i += 4) source.nextFour(out.data() + i);
    return out;
}

TEST(NormalSource, IsRepeatableAndNormalIntoTheTails)
{
    EXPECT_EQ(deviates(42, 4000), deviates(42, 4000));
    EXPECT_NE(deviates(42, 4000), deviates(43, 4000));

    const int n = 1 << 20;
    const std::vector<double> z = deviates(7, n);
    double sum = 0, squares = 0, fourth = 0, largest = 0;
    int beyond3 = 0, beyondCells = 0;
    const double lastCell = std::abs(normalCellTable()[0]);
    for (double x : z) {
        sum += x;
        squares += x * x;
        fourth += x * x * x * x;
        if (std::abs(x) > 3.0) ++beyond3;
        if (std::abs(x) > lastCell) ++beyondCells;
        largest = std::max(largest, std::abs(x));
    }
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(squares / n, 1.0, 0.01);
    EXPECT_NEAR(fourth / n, 3.0, 0.1);
    // P(|z| > 3) = 0.0027; 2831 expected, standard deviation 53.
    EXPECT_NEAR(beyond3, 2831, 300);
    // The outermost cells reach past the table: about 32 expected.
    EXPECT_GT(beyondCells, 10);
    EXPECT_LT(beyondCells, 70);
    EXPECT_GT(largest, lastCell);
}

class CcdFrames : public ::testing::Test {
protected:
    void SetUp() override { model.setScene(Scene::Lamp, calibration, 1.0); }

    std::vector<std::uint16_t> render(const FrameRequest& request, int count = kDetectorPixels)
    {
        std::vector<std::uint16_t> frame(static_cast<std::size_t>(count));
        model.render(frame.data(), count, request);
        return frame;
    }
    std::uint16_t expected(int pixel, std::uint32_t exposure)
    {
        return static_cast<std::uint16_t>(std::lround(model.expectedCounts(pixel, exposure)));
    }
    // Standard deviation of the noise over pixels around 1800.
    double spread(const FrameRequest& request)
    {
        const auto frame = render(request);
        double sum = 0, squares = 0;
        for (int p = 1750; p < 1850; ++p) {
            const double d = frame[static_cast<std::size_t>(p)] - model.expectedCounts(p, request.exposure);
            sum += d;
            squares += d * d;
        }
        return std::sqrt(squares / 100 - (sum / 100) * (sum / 100));
    }

    FactoryCalibration calibration = makeFactoryCalibration(0, false);
    CcdModel model;
};

TEST_F(CcdFrames, QuietFramesFollowEveryChange)
{
    FrameRequest request;
    request.noise = false;
    EXPECT_EQ(render(request)[1800], expected(1800, 1000));
    request.exposure = 500;
    EXPECT_EQ(render(request)[1800], expected(1800, 500));
    // A later element range shifts the active pixels but not the leading ones.
    request.elementStart = 100;
    const auto shifted = render(request, 600);
    EXPECT_EQ(shifted[500], expected(600, 500));
    EXPECT_EQ(shifted[20], expected(20, 500));
    request.elementStart = 0;
    EXPECT_EQ(render(request, 600)[500], expected(500, 500));

    model.setScene(Scene::Flat, calibration, 1.0);
    EXPECT_EQ(render(request)[1800], expected(1800, 500));
    model.setScene(Scene::Flat, calibration, 0.0);
    EXPECT_EQ(render(request)[1800], std::lround(darkLevel(1800, 500)));
    // Saturation.
    model.setScene(Scene::Flat, calibration, 1.0);
    request.exposure = 100000;
    EXPECT_EQ(render(request)[1800], 65535);
}

TEST_F(CcdFrames, NoiseRepeatsPerSeedAndFallsWithAveraging)
{
    FrameRequest request;
    request.seed = 99;
    const auto first = render(request);
    request.noise = false;
    render(request);  // a quiet frame in between changes nothing
    request.noise = true;
    EXPECT_EQ(render(request), first);
    request.seed = 100;
    EXPECT_NE(render(request), first);

    const double single = spread(request);
    const double shot = std::sqrt(model.expectedCounts(1800, 1000) - darkLevel(1800, 1000));
    EXPECT_GT(single, 0.7 * shot);
    EXPECT_LT(single, 1.3 * shot);
    request.averagedScans = 16;
    EXPECT_GT(spread(request), 0.7 * single / 4);
    EXPECT_LT(spread(request), 1.3 * single / 4);
}

}  // namespace
}  // namespace vantrel::test
