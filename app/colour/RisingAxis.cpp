#include "colour/RisingAxis.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

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

WavelengthOrder orderByWavelength(std::vector<double>& wavelength, std::vector<double>& value) {
    WavelengthOrder order;
    const std::size_t n = std::min(wavelength.size(), value.size());
    wavelength.resize(n);
    value.resize(n);
    if (n < 2) return order;
    const int last = static_cast<int>(n) - 1;
    if (!wavelengthsRise(wavelength.data(), last)) {
        std::vector<double> falling(wavelength.rbegin(), wavelength.rend());
        if (wavelengthsRise(falling.data(), last)) {
            std::reverse(wavelength.begin(), wavelength.end());
            std::reverse(value.begin(), value.end());
            order.reversed = true;
        } else {
            // NaN last: a comparison that puts it after every number.
            auto before = [&](std::size_t a, std::size_t b) {
                const double x = wavelength[a], y = wavelength[b];
                return std::isnan(y) ? !std::isnan(x) : x < y;
            };
            std::vector<std::size_t> index(n);
            std::iota(index.begin(), index.end(), 0);
            std::stable_sort(index.begin(), index.end(), before);
            std::vector<double> x(n), y(n);
            for (std::size_t i = 0; i < n; ++i) {
                x[i] = wavelength[index[i]];
                y[i] = value[index[i]];
            }
            wavelength.swap(x);
            value.swap(y);
            order.sorted = true;
        }
    }
    // Runs of one wavelength become their mean.
    std::size_t out = 0;
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        double sum = value[i];
        while (j < n && wavelength[j] == wavelength[i]) sum += value[j++];
        wavelength[out] = wavelength[i];
        value[out] = j - i > 1 ? sum / static_cast<double>(j - i) : value[i];
        ++out;
        i = j;
    }
    order.merged = static_cast<int>(n - out);
    wavelength.resize(out);
    value.resize(out);
    return order;
}

}  // namespace halden
