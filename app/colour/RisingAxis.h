// Whether a wavelength axis rises.
#pragma once

namespace halden {

// True when wavelength[0..last] never falls and holds no NaN.
bool wavelengthsRise(const double* wavelength, int last);

// True when every wavelength[j + 1] - wavelength[j], j < last, exceeds
// margin (so no NaN either).
bool wavelengthsRiseBy(const double* wavelength, int last, double margin);

}  // namespace halden
