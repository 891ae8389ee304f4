// Whether an axis (wavelengths, or the x of a curve) rises.
#pragma once

#include <optional>
#include <vector>

namespace halden {

// True when x[0..last] holds no NaN and no x[j + 1] is below x[j]; with a
// margin, when every step x[j + 1] - x[j] exceeds it.
bool wavelengthsRise(const double* x, int last, std::optional<double> margin = std::nullopt);

// What orderByWavelength did to a spectrum.
struct WavelengthOrder {
    bool reversed = false;  // it fell throughout and was turned round
    bool sorted = false;    // it was out of order and was sorted
    int merged = 0;         // points dropped by averaging repeated wavelengths
};

// Puts a spectrum's points in strictly rising wavelength order, the one way
// every figure takes a spectrum: one that falls throughout is turned round,
// one out of order is sorted (points of equal wavelength keep their order),
// and the points of one wavelength become one point with their mean value.
// A NaN wavelength sorts last. Both vectors keep equal lengths.
WavelengthOrder orderByWavelength(std::vector<double>& wavelength, std::vector<double>& value);

}  // namespace halden
