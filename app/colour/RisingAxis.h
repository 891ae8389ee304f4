// Whether a wavelength axis rises, checked two points at a time.
#pragma once

#include <cstring>

namespace halden {

// True when wavelength[0..last] never falls and holds no NaN.
inline bool wavelengthsRise(const double* wavelength, int last) {
    using Pair = double __attribute__((vector_size(16)));
    using PairMask = long long __attribute__((vector_size(16)));
    PairMask rising = {-1, -1};
    int i = 0;
    for (; i + 2 <= last; i += 2) {
        Pair a, b;
        std::memcpy(&a, wavelength + i, sizeof a);
        std::memcpy(&b, wavelength + i + 1, sizeof b);
        rising &= a <= b;
    }
    bool result = rising[0] && rising[1] && wavelength[0] == wavelength[0];
    for (; i < last; ++i) result = result && wavelength[i] <= wavelength[i + 1];
    return result;
}

}  // namespace halden
