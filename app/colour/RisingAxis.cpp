#include "colour/RisingAxis.h"

#include <cstring>

namespace halden {
namespace {

// Whether every pair of neighbours a = w[j], b = w[j + 1] rises: a <= b, or
// with ByMargin b - a > margin. Eight pairs per step with one load: the
// neighbours are the lanes shifted by one. Inlined into each clone below,
// which run it in AVX-512 or AVX2 lanes where the CPU has them; every clone
// gives the same answer.
template <bool ByMargin>
[[gnu::always_inline]] inline bool neighboursRise(const double* w, int last, double margin) {
    using Lanes = double __attribute__((vector_size(64)));
    using LaneMask = decltype(Lanes{} <= Lanes{});
    LaneMask all = ~LaneMask{};
    int j = 0;
    if (last >= 16) {
        Lanes a;
        std::memcpy(&a, w, sizeof a);
        for (; j + 16 <= last; j += 8) {
            Lanes next;
            std::memcpy(&next, w + j + 8, sizeof next);
            const Lanes b = __builtin_shufflevector(a, next, 1, 2, 3, 4, 5, 6, 7, 8);
            if constexpr (ByMargin)
                all &= (b - a) > margin;
            else
                all &= a <= b;
            a = next;
        }
    }
    bool result = true;
    for (int k = 0; k < 8; ++k) result = result && all[k];
    for (; j < last; ++j) result = result && (ByMargin ? w[j + 1] - w[j] > margin : w[j] <= w[j + 1]);
    return result;
}

}  // namespace

__attribute__((target_clones("avx512f", "avx2", "default")))
bool wavelengthsRise(const double* wavelength, int last) {
    return wavelength[0] == wavelength[0] && neighboursRise<false>(wavelength, last, 0);
}

__attribute__((target_clones("avx512f", "avx2", "default")))
bool wavelengthsRiseBy(const double* wavelength, int last, double margin) {
    return neighboursRise<true>(wavelength, last, margin);
}

}  // namespace halden
