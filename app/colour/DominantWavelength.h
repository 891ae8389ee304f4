// Dominant (or complementary) wavelength and excitation purity of a
// chromaticity against the equal-energy white point, CIE 1931 2 degree
// observer.
#pragma once

namespace halden {

// Below this excitation purity a light counts as white: it has no dominant
// wavelength.
inline constexpr double kWhitePurity = 0.001;

struct DominantWavelength {
    bool found = false;          // false: no crossing with the locus (x, y not a colour)
    bool white = false;          // purity below kWhitePurity: no wavelength
    bool complementary = false;  // a purple: wavelength is the complementary one
    double wavelength = 0;       // nm, interpolated between the locus's whole nanometres
    double purity = 0;           // distance from white over the distance to the boundary
};

// The ray from white (1/3, 1/3) through (x, y) meets the boundary of the
// spectral locus 380..780 nm, closed by the purple line: on the locus it
// gives the dominant wavelength; on the purple line the complementary
// wavelength is where the opposite ray meets the locus, and purity is then
// taken to the purple line.
DominantWavelength dominantWavelength(double x, double y);

}  // namespace halden
