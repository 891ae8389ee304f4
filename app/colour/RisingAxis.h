// Whether an axis (wavelengths, or the x of a curve) rises.
#pragma once

#include <optional>

namespace halden {

// True when x[0..last] holds no NaN and no x[j + 1] is below x[j]; with a
// margin, when every step x[j + 1] - x[j] exceeds it.
bool wavelengthsRise(const double* x, int last, std::optional<double> margin = std::nullopt);

}  // namespace halden
