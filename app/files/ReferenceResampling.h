// Putting a spectrum read from a file onto the instrument's own x values,
// for the reference of the R(%), T(%) and ABS modes.
#pragma once

#include <vector>

namespace halden {

// True when x holds count values, each within tolerance of at[i].
bool onSameAxis(const std::vector<double>& x, const double* at, int count, double tolerance);

// out[i] = the spectrum (x, y), taken in order of x, interpolated linearly at
// at[i]; targets outside [smallest x, largest x] get outside. Returns how
// many targets lie inside.
int resampleLinear(const std::vector<double>& x, const std::vector<double>& y, const double* at, int count,
                   double* out, double outside);

}  // namespace halden
