// Every figure of one spectrum that the light report and halden-cli colour
// show: the light figures (with the colorimetry of the chromaticity view)
// and the colour rendition, from one ordering of the points.
#pragma once

#include <vector>

#include "colour/ColourRendition.h"
#include "colour/LightFigures.h"
#include "colour/RisingAxis.h"

namespace halden {

struct SpectrumFigures {
    std::vector<double> wavelength, value;  // rising, repeated wavelengths averaged
    WavelengthOrder order;                  // what that took
    LightFigures light;
    ColourRendition rendition;
};

// wattsPerUnit: W/m2/nm of one unit of value, 0 for relative values.
SpectrumFigures computeSpectrumFigures(std::vector<double> wavelength, std::vector<double> value, double wattsPerUnit);

}  // namespace halden
