#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "colour/RisingAxis.h"

namespace halden {
namespace {

// Every length around the four-lane steps, with the one fall, NaN or too
// small step at every place.
TEST(RisingAxis, FindsTheOneFaultWhereverItIs) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int last = 0; last < 21; ++last) {
        std::vector<double> x(static_cast<std::size_t>(last) + 1);
        for (int j = 0; j <= last; ++j) x[j] = 400 + 0.5 * j;
        EXPECT_TRUE(wavelengthsRise(x.data(), last)) << last;
        EXPECT_TRUE(wavelengthsRise(x.data(), last, 0.4)) << last;
        EXPECT_EQ(wavelengthsRise(x.data(), last, 0.5), last == 0) << "steps of exactly the margin, " << last;
        for (int j = 0; j <= last; ++j) {
            std::vector<double> bad = x;
            bad[j] = nan;
            EXPECT_FALSE(wavelengthsRise(bad.data(), last)) << "NaN at " << j << " of " << last;
            if (j == 0) continue;
            bad = x;
            bad[j] = bad[j - 1];  // equal neighbours never fall, but do not rise by a margin
            EXPECT_TRUE(wavelengthsRise(bad.data(), last)) << j;
            EXPECT_FALSE(wavelengthsRise(bad.data(), last, 1e-9)) << j;
            bad[j] = bad[j - 1] - 1e-9;
            EXPECT_FALSE(wavelengthsRise(bad.data(), last)) << "fall at " << j << " of " << last;
        }
    }
}

}  // namespace
}  // namespace halden
