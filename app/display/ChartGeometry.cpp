#include "display/ChartGeometry.h"

namespace halden {

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

}  // namespace halden
