// Whether a wavelength axis rises.
#pragma once

namespace halden {

// True when wavelength[0..last] never falls and holds no NaN.
bool wavelengthsRise(const double* wavelength, int last);

}  // namespace halden
