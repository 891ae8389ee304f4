// Fast standard normal deviates for the simulated noise. A table splits the
// normal distribution into 65536 cells of equal probability and holds the
// median of each; 16 random bits pick a cell, so one 64-bit draw gives four
// deviates. The two outermost cells draw from the exact tail beyond them, so
// the distribution keeps its full tails. Same seed, same deviates.
#pragma once

#include "virtual/Rng.h"

#include <cstdint>

namespace vantrel::virt {

constexpr int kNormalCells = 65536;

// Median of cell i of the standard normal (cells 0 and 65535 hold the
// boundaries of the tails, which NormalSource draws exactly).
const float* normalCellTable();

// A deviate from the tail of the normal distribution beyond the given
// positive boundary, on the side of its sign.
double normalTail(Rng& rng, double boundary);

class NormalSource {
public:
    explicit NormalSource(std::uint64_t seed) : m_rng(seed), m_table(normalCellTable()) {}

    // Four deviates from one draw.
    void nextFour(double* out)
    {
        std::uint64_t bits = m_rng.next();
        for (int i = 0; i < 4; ++i, bits >>= 16) {
            const auto cell = static_cast<std::uint16_t>(bits);
            out[i] = cell == 0 || cell == kNormalCells - 1 ? normalTail(m_rng, m_table[cell])
                                                           : m_table[cell];
        }
    }

private:
    Rng m_rng;
    const float* m_table;
};

}  // namespace vantrel::virt
