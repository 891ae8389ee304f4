// The chart's fonts, sized in pixels: "Arial" is Liberation Sans and
// "Courier New" Liberation Mono on this system. Heights are whole character
// cells (ascent plus descent), as the chart's sizes are given.
#pragma once

#include <QFont>

namespace halden {

// trunc(1.5u), at least 1.
int axisFontHeight(double unit);
// trunc(80/s) and trunc(40/s) for the diagram divisor s, at least 1.
int chromaticityTextHeight(double diagramScale);
int chromaticityTextWidth(double diagramScale);

// The axis labels: Arial, height trunc(1.5u), normal weight, italic.
QFont axisFont(double unit);
// The axis titles: Arial, a character cell of trunc(u) pixels, normal weight.
QFont axisTitleFont(double unit);
// The font of the overlay texts (the surface's default font).
QFont overlayFont();
// The chromaticity texts: Courier New, height trunc(80/s), width trunc(40/s),
// bold, italic, for the diagram divisor s.
QFont chromaticityFont(double diagramScale);

}  // namespace halden
