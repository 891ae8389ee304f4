// The plot rectangle of a drawing surface and the mapping of data values to
// pixels: left 7.5 % and right 2.5 % of the width, top 2.5 % of the height
// and two text units above the bottom. Room for the axis titles and the y
// labels may widen the left margin and raise the bottom edge. Pixels are
// truncated toward zero.
#pragma once

#include <cmath>

namespace halden {

inline constexpr double kPixelLimit = 1.0e6;

// trunc(v) as an int, clamped to +-kPixelLimit; 0 for NaN.
inline int truncPixel(double v) {
    if (std::isnan(v)) return 0;
    if (v > kPixelLimit) return static_cast<int>(kPixelLimit);
    if (v < -kPixelLimit) return -static_cast<int>(kPixelLimit);
    return static_cast<int>(v);
}

// Room the chart's texts need beyond the plain rectangle.
struct ChartRoom {
    double left = 0;        // the smallest left edge (y labels and y title)
    double bottomBand = 0;  // pixels under the x labels (the x title)
};

struct ChartGeometry {
    double width = 0, height = 0;  // surface size
    double unit = 14.0;            // the chart's text unit u
    double left = 0, right = 0, top = 0, bottom = 0;
    double bottomBand = 0;
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;

    // The plot rectangle of a surface of width x height, for these ranges:
    // left = max(0.075 W, room.left), bottom = H - 2u - room.bottomBand.
    static ChartGeometry of(int width, int height, double unit, double xMin, double xMax,
                            double yMin, double yMax, ChartRoom room = {});

    // The plot's height in pixels, H * 0.975 - 2u less the band.
    double plotHeight() const { return height * 0.975 - 2.0 * unit - bottomBand; }

    // Exact positions (may lie outside the plot). A zero or non-finite span
    // maps everything to the left / bottom edge instead of dividing by zero.
    double xAt(double x) const {
        const double span = xMax - xMin;
        if (!(span != 0) || !std::isfinite(span)) return left;
        return left + (right - left) * (x - xMin) / span;
    }
    double yAt(double y) const {
        const double span = yMax - yMin;
        if (!(span != 0) || !std::isfinite(span)) return bottom;
        return bottom - plotHeight() * (y - yMin) / span;
    }
    // Positions truncated to whole pixels and kept within +-kPixelLimit, so a
    // far-off value never overflows an int.
    int xPixel(double x) const { return truncPixel(xAt(x)); }
    int yPixel(double y) const { return truncPixel(yAt(y)); }

    // xPixel and yPixel of n points at once, with the same results; the
    // chart maps whole curves this way.
    void pixelsOf(const double* x, const double* y, int n, int* X, int* Y) const;
};

}  // namespace halden
