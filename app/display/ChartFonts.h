// The chart's fonts, sized in pixels: "Arial" is Liberation Sans and
// "Courier New" Liberation Mono on this system.
#pragma once

#include <QFont>

namespace halden {

// The axis labels: Arial, height trunc(1.5u), normal weight, italic.
QFont axisFont(double unit);
// The font of the overlay texts (the surface's default font).
QFont overlayFont();
// The chromaticity texts: Courier New, height trunc(80/s), width trunc(40/s),
// bold, italic, for the diagram divisor s.
QFont chromaticityFont(double diagramScale);

}  // namespace halden
