// Every colour and light figure of a spectrum as one JSON object, as
// halden-cli colour --json prints it and the Python module's colour()
// returns it. A figure that could not be computed is null, and "reasons"
// says why, keyed by the figure's path ("cqs.Qa", "alpha_opic.melanopic.edi").
#pragma once

#include <string>

#include "colour/ColourRendition.h"
#include "colour/LightFigures.h"
#include "colour/SpectrumFigures.h"

namespace halden {

struct ColourFigures {
    const LightFigures& light;
    const ColourRendition& rendition;
    Figure lumen;       // the luminous figure at exposure scale 1
    std::string units;  // the --units value
};

std::string colourJson(const ColourFigures& figures);

// The JSON of a spectrum's figures, with the luminous figure at exposure
// scale 1; units names what the values are (a FigureUnit name).
std::string colourJson(const SpectrumFigures& figures, const std::string& units);

}  // namespace halden
