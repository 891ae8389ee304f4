#include "colour/RisingAxis.h"

#include <cstring>

#include "common/CpuDispatch.h"

namespace halden {

// Four steps per test, each lane comparing x[j] with the x[j + 1] of the
// load one place on.
HALDEN_VECTOR_CLONES
bool wavelengthsRise(const double* x, int last, std::optional<double> margin) {
    using Lanes = double __attribute__((vector_size(32)));
    using LaneMask = decltype(Lanes{} <= Lanes{});
    const double m = margin.value_or(0);
    LaneMask all = ~LaneMask{};
    int j = 0;
    for (; j + 4 <= last; j += 4) {
        Lanes a, b;
        std::memcpy(&a, x + j, sizeof a);
        std::memcpy(&b, x + j + 1, sizeof b);
        all &= margin ? (b - a > m) : (a <= b);
    }
    bool rises = x[0] == x[0];
    for (int k = 0; k < 4; ++k) rises = rises && all[k];
    for (; j < last; ++j) rises = rises && (margin ? x[j + 1] - x[j] > m : x[j] <= x[j + 1]);
    return rises;
}

}  // namespace halden
