// Every figure of one spectrum that the light report and halden-cli colour
// show: the light figures (with the colorimetry of the chromaticity view)
// and the colour rendition, from one ordering of the points.
#pragma once

#include <string_view>
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

// The luminous figure of the values at exposure scale 1 without an
// irradiance correction; none when no light figure could be computed.
Figure spectrumLumen(const SpectrumFigures& figures);

// What the values of a spectrum are, by name, and one unit of them in W/m2/nm
// (0: relative values, no absolute figures).
struct FigureUnit {
    const char* name;
    double wattsPerUnit;
};
inline constexpr FigureUnit kFigureUnits[] = {
    {"relative", 0}, {"uW/cm2/nm", kWattsPerSquareMetrePerMicrowattPerSquareCm}, {"W/m2/nm", 1}};

// The unit of that name, or null.
const FigureUnit* figureUnit(std::string_view name);

}  // namespace halden
