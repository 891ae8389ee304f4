// Small deterministic random source for the simulated noise and the fault
// probabilities: the same seed gives the same sequence on every platform.
#pragma once

#include <cmath>
#include <cstdint>

namespace vantrel::virt {

inline std::uint64_t splitMix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Combines several values into one seed.
inline std::uint64_t mixSeed(std::uint64_t a, std::uint64_t b, std::uint64_t c = 0)
{
    std::uint64_t s = a;
    std::uint64_t h = splitMix64(s);
    s = h ^ b;
    h = splitMix64(s);
    s = h ^ c;
    return splitMix64(s);
}

// xoshiro256** with a Box-Muller normal generator.
class Rng {
public:
    explicit Rng(std::uint64_t seed)
    {
        for (auto& word : m_state) word = splitMix64(seed);
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotl(m_state[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

    // Standard normal.
    double normal()
    {
        if (m_haveSpare) {
            m_haveSpare = false;
            return m_spare;
        }
        double u1 = uniform();
        if (u1 < 1e-300) u1 = 1e-300;
        const double u2 = uniform();
        const double radius = std::sqrt(-2.0 * std::log(u1));
        const double angle = 6.283185307179586 * u2;
        m_spare = radius * std::sin(angle);
        m_haveSpare = true;
        return radius * std::cos(angle);
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t m_state[4]{};
    double m_spare = 0.0;
    bool m_haveSpare = false;
};

}  // namespace vantrel::virt
