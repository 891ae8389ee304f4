// LED figures: peak wavelength, full width at half maximum of the highest
// peak and the centroid wavelength.
#pragma once

#include "colour/LightFigures.h"

namespace halden {

struct PeakFigures {
    Figure peakWavelength;  // nm, the highest point (the first of equals)
    Figure fwhm;            // nm, between the half-maximum crossings on either side
};

// From points 0..last with rising wavelengths; the crossings are
// interpolated linearly between the points either side of half the peak.
PeakFigures peakFigures(const double* wavelength, const double* value, int last);

// sum(lambda S) / sum(S) over the 401 values of the 1 nm grid 380..780.
Figure centroidWavelength(const double* grid);

}  // namespace halden
