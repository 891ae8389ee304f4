#include "display/ChartGeometry.h"

#include <algorithm>

#include "common/CpuDispatch.h"

namespace halden {

namespace {

// truncPixel without branches, so that four of them run side by side.
inline int truncPixelLane(double p) {
    p = p > kPixelLimit ? kPixelLimit : p;
    p = p < -kPixelLimit ? -kPixelLimit : p;
    p = p == p ? p : 0.0;
    return static_cast<int>(p);
}

// One axis of pixelsOf: origin + scale * (v - min) / span, truncated as
// truncPixel does; the same arithmetic as xAt's and yAt's, so the same
// pixels. Four points per step in vector lanes where the CPU has them: a
// curve's divisions are most of the time the chart spends on its own.
HALDEN_VECTOR_CLONES
void mapAxis(const double* v, int n, double origin, double scale, double min, double span, int* out) {
    if (!(span != 0) || !std::isfinite(span)) {
        for (int i = 0; i < n; ++i) out[i] = truncPixel(origin);
        return;
    }
    int i = 0;
    for (; i + 4 <= n; i += 4)
        for (int k = 0; k < 4; ++k) out[i + k] = truncPixelLane(origin + scale * (v[i + k] - min) / span);
    for (; i < n; ++i) out[i] = truncPixelLane(origin + scale * (v[i] - min) / span);
}

}  // namespace

void ChartGeometry::pixelsOf(const double* x, const double* y, int n, int* X, int* Y) const {
    mapAxis(x, n, left, right - left, xMin, xMax - xMin, X);
    mapAxis(y, n, bottom, -plotHeight(), yMin, yMax - yMin, Y);
}

ChartGeometry ChartGeometry::of(int width, int height, double unit, double xMin, double xMax,
                                double yMin, double yMax, ChartRoom room) {
    ChartGeometry g;
    g.width = width;
    g.height = height;
    g.unit = unit;
    g.left = std::max(0.075 * width, room.left);
    g.right = width * (1.0 - 0.025);
    g.bottomBand = room.bottomBand;
    g.bottom = height - 2.0 * unit - room.bottomBand;
    g.top = 0.025 * height;
    g.xMin = xMin;
    g.xMax = xMax;
    g.yMin = yMin;
    g.yMax = yMax;
    return g;
}

}  // namespace halden
