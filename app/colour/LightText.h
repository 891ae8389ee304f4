// The light figures as text, grouped as the window's Light panel shows them
// and halden-cli colour prints them: Colour, Rendition, Circadian, LED,
// Plants. A figure that was left out reads "<name>: none (<reason>)"; never
// a NaN.
#pragma once

#include <string>

#include "colour/LightFigures.h"

namespace halden {

// The lines of all five groups, each group's heading first ("Colour:"),
// LF line ends.
std::string formatLightFigures(const LightFigures& f);

// One group's lines without its heading.
std::string colourLines(const LightFigures& f);
std::string renditionLines(const LightFigures& f);
std::string circadianLines(const LightFigures& f);
std::string ledLines(const LightFigures& f);
std::string plantLines(const LightFigures& f);

// A figure in a format, or "none (reason)" ("-" with brief set).
std::string figureText(const Figure& f, const char* format, bool brief = false);

}  // namespace halden
