#include "display/AxisTicks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "spectrum/DialogText.h"

namespace halden {

namespace {

constexpr int kMaxTicks = 10;

// Digits before the decimal point of the larger end.
int integerDigits(double lo, double hi) {
    double n = std::max(std::fabs(std::trunc(lo)), std::fabs(std::trunc(hi)));
    int digits = 0;
    while (n > 1) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// The decade of the span: M >= 1 for spans of 1 and more, M <= -1 below.
int spanDecade(double span) {
    int m = 0;
    if (span >= 1) {
        do {
            span /= 10;
            ++m;
        } while (span >= 1);
    } else {
        do {
            span *= 10;
            --m;
        } while (span <= 1);
    }
    return m;
}

// "%.0f" .. "%.3f", independent of the process locale.
std::string formatTick(double value, int decimals) { return formatFixed(value, std::min(decimals, 3)); }

}  // namespace

std::vector<AxisTick> axisTicks(double lo, double hi, double unit, double room, TickAxis axis) {
    std::vector<AxisTick> ticks;
    const double span = hi - lo;
    // A range that is not finite and rising has no ticks (and the decade
    // search below would not end for a zero span).
    if (!std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(span) || !(span > 0) ||
        !std::isfinite(unit) || !std::isfinite(room))
        return ticks;

    const int digits = integerDigits(lo, hi);
    const int m = spanDecade(span);
    int width = digits;
    if (m <= 1) width += 1 + std::abs(m);
    if (lo < 0) width += 1;

    double q = 1;
    if (m > 1) q = std::pow(10.0, -(m - 1));
    else if (m < 1) q = std::pow(10.0, std::abs(m));
    double s = std::ceil(lo * q), e = std::floor(hi * q);
    if (s == e) {
        q *= 10;
        s = std::ceil(lo * q);
        e = std::floor(hi * q);
    }

    const double tenths = std::floor(10 * q * hi) - std::ceil(10 * q * lo);
    const double counts[5] = {tenths / 2 + 1, tenths / 5 + 1, (e - s) + 1, (e - s) / 2 + 1, (e - s) / 5 + 1};
    int chosen = 0;
    for (int k = 1; k <= 5 && chosen == 0; ++k) {
        const double c = counts[k - 1];
        const double labelWidth = k <= 2 ? width : width - 1;
        const bool fits = axis == TickAxis::X ? 1.2 * (c * labelWidth * unit) < room : 2.5 * unit * c < room;
        if (fits && c <= kMaxTicks) chosen = k;
    }
    if (chosen == 0) return ticks;

    double first = 0, step = 0;
    switch (chosen) {
    case 1:
        q *= 10;
        first = std::ceil(lo * q);
        step = 2;
        break;
    case 2:
        first = std::ceil(lo * q / 0.5) * 0.5;
        step = 0.5;
        break;
    case 3:
        first = s;
        step = 1;
        break;
    case 4:
        first = s;
        step = 2;
        break;
    default:
        first = std::ceil(lo * q / 5) * 5;
        step = 5;
        break;
    }

    int decimals = 0;
    for (double d = step / q; d < 1 && decimals < 20; d *= 10) ++decimals;

    for (int n = 0; n < kMaxTicks && first / q <= hi; ++n, first += step) {
        const double t = first / q + 0.0;  // no "-0" label
        ticks.push_back({t, formatTick(t, decimals)});
    }
    return ticks;
}

}  // namespace halden
