// drawChart: the curves of the stored-curve table with axes, ticks, grid,
// the second colour bar, the marker crosshair and the frame, onto any
// painter. describeChart works out the same picture without painting it.
#pragma once

#include <QColor>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "display/AxisTicks.h"
#include "display/ChartGeometry.h"
#include "spectrum/StoredCurves.h"

class QPainter;

namespace halden {

// Every parameter of drawChart. The curves are views into the store's
// pools, which xPool / yPool point at (a curve's offset indexes them).
struct ChartParams {
    QSize surface;
    double unit = 14.0;
    double xMin = -1.0, xMax = -1.0;  // both -1.0: automatic
    double yMin = -1.0, yMax = -1.0;  // both -1.0: automatic
    bool grid = true;
    bool marker = true;
    int markerIndex = 0;
    bool colourBar = false;
    const double* yPool = nullptr;
    const double* xPool = nullptr;
    std::vector<StoredCurve> curves;  // in table order, curve 0 first; hidden ones are not drawn
    // The axis titles (none when empty): the x title under the x labels, the
    // y title upright left of the y labels.
    std::string xTitle, yTitle;
};

struct ChartTick {
    double value = 0;
    std::string label;
    int pixel = 0;         // x of an x tick's line, y of a y tick's line
    int labelX = 0, labelY = 0;  // the label's top-left reference point
    QRect box;             // the label's text box
};

struct AxisTitle {
    std::string text;
    QRect box;              // the text's box on the surface
    bool upright = false;   // drawn bottom to top (the y title)
};

struct ChartMarker {
    int index = 0;
    double x = 0, y = 0;
};

// What drawChart draws, in surface pixels.
struct ChartLayout {
    ChartGeometry geometry;  // after the automatic range rules
    std::vector<ChartTick> xTicks, yTicks;
    std::optional<ChartMarker> marker;  // absent when the index is off curve 0
    std::optional<AxisTitle> xTitle, yTitle;
};

// The colour of wavelength nm in the colour bars; nothing outside 400..700.
std::optional<QColor> wavelengthColour(double nm);

// Curve k's pen colour: the low 8 bits of each component.
QColor curveColour(std::int32_t red, std::int32_t green, std::int32_t blue);

// The number of curves drawn (the visible ones).
int curveCount(const ChartParams& params);

ChartLayout describeChart(const ChartParams& params);
void drawChart(QPainter& painter, const ChartParams& params);
// Draws the picture describeChart(params) gave as layout.
void drawChart(QPainter& painter, const ChartParams& params, const ChartLayout& layout);

}  // namespace halden
