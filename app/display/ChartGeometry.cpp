#include "display/ChartGeometry.h"

#include <cmath>

namespace halden {

int truncPixel(double v) {
    if (std::isnan(v)) return 0;
    if (v > kPixelLimit) return static_cast<int>(kPixelLimit);
    if (v < -kPixelLimit) return -static_cast<int>(kPixelLimit);
    return static_cast<int>(v);
}

ChartGeometry ChartGeometry::of(int width, int height, double unit, double xMin, double xMax,
                                double yMin, double yMax) {
    ChartGeometry g;
    g.width = width;
    g.height = height;
    g.unit = unit;
    g.left = 0.075 * width;
    g.right = width * (1.0 - 0.025);
    g.bottom = height - 2.0 * unit;
    g.top = 0.025 * height;
    g.xMin = xMin;
    g.xMax = xMax;
    g.yMin = yMin;
    g.yMax = yMax;
    return g;
}

// A zero span (only possible for a degenerate x range) maps everything to the
// left / bottom edge instead of dividing by zero.
double ChartGeometry::xAt(double x) const {
    const double span = xMax - xMin;
    if (!(span != 0) || !std::isfinite(span)) return left;
    return left + (right - left) * (x - xMin) / span;
}

double ChartGeometry::yAt(double y) const {
    const double span = yMax - yMin;
    if (!(span != 0) || !std::isfinite(span)) return bottom;
    return bottom - (height * 0.975 - 2.0 * unit) * (y - yMin) / span;
}

int ChartGeometry::xPixel(double x) const { return truncPixel(xAt(x)); }
int ChartGeometry::yPixel(double y) const { return truncPixel(yAt(y)); }

}  // namespace halden
