// The plot rectangle of a drawing surface and the mapping of data values to
// pixels: left 7.5 % and right 2.5 % of the width, top 2.5 % of the height
// and two text units above the bottom. Pixels are truncated toward zero.
#pragma once

namespace halden {

struct ChartGeometry {
    double width = 0, height = 0;  // surface size
    double unit = 14.0;            // the chart's text unit u
    double left = 0, right = 0, top = 0, bottom = 0;
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;

    // The plot rectangle of a surface of width x height, for these ranges.
    static ChartGeometry of(int width, int height, double unit, double xMin, double xMax,
                            double yMin, double yMax);

    // Exact positions (may lie outside the plot).
    double xAt(double x) const;
    double yAt(double y) const;
    // Positions truncated to whole pixels and kept within +-kPixelLimit, so a
    // far-off value never overflows an int.
    int xPixel(double x) const;
    int yPixel(double y) const;
};

inline constexpr double kPixelLimit = 1.0e6;

// trunc(v) as an int, clamped to +-kPixelLimit; 0 for NaN.
int truncPixel(double v);

}  // namespace halden
