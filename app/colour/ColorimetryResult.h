// The colorimetric figures of one spectrum: 37 doubles in a fixed order
// (x, y, z, u, v, Tc, DC, DeltaE1..14, R1..14, Ra, Re).
#pragma once

#include <array>
#include <cstddef>

namespace halden {

struct ColorimetryResult {
    static constexpr std::size_t kCount = 37;
    static constexpr std::size_t kX = 0, kY = 1, kZ = 2, kU = 3, kV = 4, kTc = 5, kDC = 6;
    static constexpr std::size_t kDeltaE1 = 7;  // DeltaE1..14 at 7..20
    static constexpr std::size_t kR1 = 21;      // R1..14 at 21..34
    static constexpr std::size_t kRa = 35, kRe = 36;

    std::array<double, kCount> values{};

    double& operator[](std::size_t i) { return values[i]; }
    double operator[](std::size_t i) const { return values[i]; }
};

}  // namespace halden
