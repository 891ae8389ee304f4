// Reference light sources on a 1 nm grid: a Planckian radiator and CIE
// daylight (from the components S0, S1, S2), anywhere in 375..780 nm.
#pragma once

namespace halden {

// The second radiation constant of the references, nm K.
inline constexpr double kReferenceRadiationC2 = 1.4388e7;

// Relative spectral radiance of a black body at kelvin for the wavelengths
// firstNm, firstNm + 1, ... (points values).
void planckianOnGrid(double kelvin, int firstNm, int points, double* out);

// CIE daylight of correlated colour temperature kelvin (4000-25000 K) on the
// same kind of grid, firstNm >= 375 and the last wavelength <= 780. With
// tabulated set, M1 and M2 are rounded to three decimals as the CIE D
// illuminants are tabulated; the temperature is then the illuminant's own
// (nominal x 1.4388 / 1.4380, see cieDaylightKelvin).
void daylightOnGrid(double kelvin, bool tabulated, int firstNm, int points, double* out);

// The temperature of CIE illuminant D of nominal temperature (D55: 5500).
inline double cieDaylightKelvin(double nominal) { return nominal * 1.4388 / 1.4380; }

// The reference of the colour quality scale and the matched similarity
// index: a Planckian radiator below 5000 K, daylight from 5000 K.
void matchedReferenceOnGrid(double kelvin, int firstNm, int points, double* out);

}  // namespace halden
