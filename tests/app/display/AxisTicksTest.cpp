#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/AxisTicks.h"

namespace halden {
namespace {

std::vector<std::string> labels(const std::vector<AxisTick>& ticks) {
    std::vector<std::string> out;
    for (const auto& t : ticks) out.push_back(t.label);
    return out;
}

TEST(AxisTicks, VisibleRangeOfTheColourBarGetsFiftyNanometreSteps) {
    // 1000-pixel window: R - L = 900.
    const auto ticks = axisTicks(390, 710, 14, 900, TickAxis::X);
    EXPECT_EQ(labels(ticks), (std::vector<std::string>{"400", "450", "500", "550", "600", "650", "700"}));
    EXPECT_DOUBLE_EQ(ticks.front().value, 400);
    EXPECT_DOUBLE_EQ(ticks.back().value, 700);
}

TEST(AxisTicks, NarrowSpanGetsTenthsWithOneDecimal) {
    const auto ticks = axisTicks(500.3, 500.9, 14, 900, TickAxis::X);
    EXPECT_EQ(labels(ticks),
              (std::vector<std::string>{"500.3", "500.4", "500.5", "500.6", "500.7", "500.8", "500.9"}));
}

TEST(AxisTicks, FirstStepThatFitsWins) {
    // 0..64000 on a 700-pixel high chart (room 672): steps 2000 and 5000 give
    // more than 10 ticks, step 10000 gives 7 of 2.5u each.
    const auto ticks = axisTicks(0, 64000, 14, 672, TickAxis::Y);
    ASSERT_FALSE(ticks.empty());
    EXPECT_LE(ticks.size(), 10u);
    EXPECT_EQ(ticks.front().label, "0");
    EXPECT_EQ(ticks.size(), 7u);
    EXPECT_DOUBLE_EQ(ticks[1].value - ticks[0].value, 10000);
}

TEST(AxisTicks, NoTicksWhereNoCandidateFits) {
    EXPECT_TRUE(axisTicks(390, 710, 14, 40, TickAxis::X).empty());
    EXPECT_TRUE(axisTicks(0, 100, 14, 20, TickAxis::Y).empty());
}

TEST(AxisTicks, RangesWithoutASpanHaveNoTicks) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(axisTicks(5, 5, 14, 900, TickAxis::X).empty());
    EXPECT_TRUE(axisTicks(710, 390, 14, 900, TickAxis::X).empty());
    EXPECT_TRUE(axisTicks(nan, 1, 14, 900, TickAxis::X).empty());
    EXPECT_TRUE(axisTicks(0, inf, 14, 900, TickAxis::Y).empty());
    EXPECT_TRUE(axisTicks(-1e300, 1e300, 14, 900, TickAxis::Y).size() <= 10u);
}

TEST(AxisTicks, NegativeAndSmallRangesKeepTheirSignsAndDecimals) {
    const auto ticks = axisTicks(-0.55, 0.55, 14, 900, TickAxis::X);
    ASSERT_FALSE(ticks.empty());
    EXPECT_LT(ticks.front().value, 0);
    for (const auto& t : ticks) {
        EXPECT_GE(t.value, -0.55);
        EXPECT_LE(t.value, 0.55);
        EXPECT_NE(t.label.find('.'), std::string::npos) << t.label;
    }
    const auto tiny = axisTicks(0.00012, 0.00019, 14, 900, TickAxis::X);
    for (const auto& t : tiny) EXPECT_EQ(t.label.size(), 5u) << t.label;  // "%.3f" at most
}

}  // namespace
}  // namespace halden
