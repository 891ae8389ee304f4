// Colour rendition of a light source the way lighting practice reports it:
// the CIE 2017 colour fidelity index Rf (99 colour evaluation samples, CIE
// 1964 10 degree observer, CAM02-UCS), the gamut index Rg, the 16 hue bins'
// local fidelity, chroma shift and hue shift, and the signed distance Duv
// from the Planckian locus.
#pragma once

#include <array>
#include <string>

namespace halden {

inline constexpr int kHueBins = 16;

struct ColourRendition {
    bool ok = false;
    std::string error;  // why there are no figures, when !ok

    double Rf = 0, Rg = 0;
    double cct = 0;  // kelvin, CIE 1931 2 degree observer, 380..780 nm
    double duv = 0;  // CIE 1960 uv; positive above the Planckian locus
    std::array<double, kHueBins> RfHue{};   // local fidelity Rf,hj, bin 1 first
    std::array<double, kHueBins> RcsHue{};  // local chroma shift Rcs,hj, per cent
    std::array<double, kHueBins> RhsHue{};  // local hue shift Rhs,hj (about radians)
    std::array<double, 99> RfSample{};      // fidelity of each colour evaluation sample

    // CAM02-UCS a', b' averages of each hue bin's samples under the test
    // source and the reference (what the colour vector graphic draws).
    std::array<double, kHueBins> testA{}, testB{}, referenceA{}, referenceB{};
};

// The figures of a spectrum given as points 0..last (wavelength in nm,
// rising or falling; intensity in any linear unit). The spectrum is read
// linearly interpolated at every nanometre 380..780; it must cover that
// range with no gap wider than 5 nm and finite values, and give a
// correlated colour temperature between 1000 K and 100000 K. Otherwise the
// result is !ok with a message saying what is missing. The inputs are not
// modified.
ColourRendition computeColourRendition(const double* intensity, const double* wavelength, int last);

// The same from a spectrum already on the 1 nm grid 380..780 (401 values).
ColourRendition colourRenditionOfGrid(const double* spectrum);

// Where a test spectrum's figures start: a Planckian radiator below 4000 K,
// CIE daylight above 5000 K, the blend of the two (each scaled to the same
// luminance) in between. Writes 401 values on the 1 nm grid 380..780.
void renditionReference(double cct, double* out);

// The correlated colour temperature and Duv of CIE 1960 (u, v), nearest
// point of the Planckian locus. Returns false outside 1000..100000 K.
bool planckianTemperature(double u, double v, double& cct, double& duv);

// The method's scaling of a mean colour difference to 0..100.
double fidelityOfDifference(double deltaE);

}  // namespace halden
