#include "colour/RisingAxis.h"

#include <cstring>

namespace halden {

// Eight pairs of neighbours per step, in AVX-512 or AVX2 lanes where the CPU
// has them; every clone gives the same answer.
__attribute__((target_clones("avx512f", "avx2", "default")))
bool wavelengthsRise(const double* wavelength, int last) {
    using Lanes = double __attribute__((vector_size(64)));
    using LaneMask = long long __attribute__((vector_size(64)));
    LaneMask rising = {-1, -1, -1, -1, -1, -1, -1, -1};
    int i = 0;
    if (last >= 16) {
        // One load per eight points: the neighbours are the lanes shifted by one.
        Lanes a;
        std::memcpy(&a, wavelength, sizeof a);
        for (; i + 16 <= last; i += 8) {
            Lanes next;
            std::memcpy(&next, wavelength + i + 8, sizeof next);
            const Lanes b = __builtin_shufflevector(a, next, 1, 2, 3, 4, 5, 6, 7, 8);
            rising &= a <= b;
            a = next;
        }
    }
    bool result = wavelength[0] == wavelength[0];
    for (int k = 0; k < 8; ++k) result = result && rising[k];
    for (; i < last; ++i) result = result && wavelength[i] <= wavelength[i + 1];
    return result;
}

}  // namespace halden
