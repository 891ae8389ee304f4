// CIE 1931 / 1960 colorimetry, correlated colour temperature and the colour
// rendering indices of one spectrum.
#pragma once

#include "colour/ColorimetryResult.h"

namespace halden {

// Computes all figures of `result` from points 0..last of a spectrum.
// intensity: values in any linear unit (only ratios matter); wavelength: nm.
// Both arrays are modified in place: re-ordered to rising wavelength and the
// intensity smoothed over about +-2 nm. Pass scratch copies.
// Every entry of `result` is written except DC when no correlated colour
// temperature is found (Tc = -1): DC then keeps whatever it held.
// A spectrum that is zero over 361-830 nm gives non-finite figures.
void computeColorimetry(double* intensity, double* wavelength, int last, ColorimetryResult& result);

// The figures of the shown spectrum: row 0 of the displayed buffer times the
// irradiance correction (normal: points 0..m_rangeLast; Fast: 1826 points
// standing for detector pixels 0, 2, 4 ...).
struct SpectrumStore;
ColorimetryResult storeColorimetry(const SpectrumStore& store);

// The colour rendition figures of the same data (what the window's TM-30
// panel shows); !ok with the reason when the spectrum does not allow them.
struct ColourRendition;
ColourRendition storeColourRendition(const SpectrumStore& store);

}  // namespace halden
