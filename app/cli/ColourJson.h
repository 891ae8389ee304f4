// halden-cli colour --json: every figure of a spectrum as one JSON object.
// A figure that could not be computed is null, and "reasons" says why, keyed
// by the figure's path ("cqs.Qa", "alpha_opic.melanopic.edi").
#pragma once

#include <string>

#include "colour/ColourRendition.h"
#include "colour/LightFigures.h"

namespace halden::cli {

struct ColourFigures {
    const LightFigures& light;
    const ColourRendition& rendition;
    Figure lumen;       // the luminous figure at exposure scale 1
    std::string units;  // the --units value
};

std::string colourJson(const ColourFigures& figures);

}  // namespace halden::cli
