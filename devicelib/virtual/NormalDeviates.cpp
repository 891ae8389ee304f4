#include "virtual/NormalDeviates.h"

#include <array>
#include <cmath>

namespace vantrel::virt {
namespace {

// Inverse of the standard normal distribution for 0 < p < 1: a rational
// approximation (relative error ~1e-9) polished by one Halley step.
double inverseNormal(double p)
{
    static constexpr double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                                   1.383577518672690e+02,  -3.066479806614716e+01, 2.506628277459239e+00};
    static constexpr double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                                   6.680131188771972e+01,  -1.328068155288572e+01};
    static constexpr double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                                   -2.549732539343734e+00, 4.374664141464968e+00,  2.938163982698783e+00};
    static constexpr double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                                   3.754408661907416e+00};
    constexpr double low = 0.02425;
    double x;
    if (p < low) {
        const double q = std::sqrt(-2.0 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    } else if (p <= 1.0 - low) {
        const double q = p - 0.5, r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1.0);
    } else {
        const double q = std::sqrt(-2.0 * std::log(1.0 - p));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1.0);
    }
    const double e = 0.5 * std::erfc(-x / std::sqrt(2.0)) - p;
    const double u = e * std::sqrt(2.0 * 3.14159265358979323846) * std::exp(x * x / 2.0);
    return x - u / (1.0 + x * u / 2.0);
}

std::array<float, kNormalCells> makeTable()
{
    std::array<float, kNormalCells> table{};
    constexpr int half = kNormalCells / 2;
    // Lower half computed, upper half mirrored: the table is exactly symmetric.
    for (int i = 1; i < half; ++i) {
        const double median = inverseNormal((i + 0.5) / kNormalCells);
        table[i] = static_cast<float>(median);
        table[kNormalCells - 1 - i] = static_cast<float>(-median);
    }
    const double boundary = inverseNormal(1.0 / kNormalCells);
    table[0] = static_cast<float>(boundary);
    table[kNormalCells - 1] = static_cast<float>(-boundary);
    return table;
}

}  // namespace

const float* normalCellTable()
{
    static const std::array<float, kNormalCells> table = makeTable();
    return table.data();
}

double normalTail(Rng& rng, double boundary)
{
    // Marsaglia's tail method: exact for the normal beyond |boundary|.
    const double a = std::abs(boundary);
    for (;;) {
        const double u1 = 1.0 - rng.uniform(), u2 = 1.0 - rng.uniform();  // in (0, 1]
        const double x = -std::log(u1) / a, y = -std::log(u2);
        if (2.0 * y > x * x) return boundary < 0.0 ? -(a + x) : a + x;
    }
}

}  // namespace vantrel::virt
