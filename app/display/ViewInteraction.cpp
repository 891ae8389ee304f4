#include "display/ViewInteraction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "spectrum/StoredCurves.h"

namespace halden {

int plotWidth(const SpectrumStore& s) { return s.m_clientWidth - s.m_marginLeft - s.m_marginRight; }
int plotHeight(const SpectrumStore& s) { return s.m_clientHeight - s.m_marginTop - s.m_marginBottom; }

PlotPoint plotPoint(const SpectrumStore& s, int clientX, int clientY) {
    const int pw = std::max(0, plotWidth(s)), ph = std::max(0, plotHeight(s));
    return {std::clamp(clientX - s.m_marginLeft, 0, pw), std::clamp(clientY - s.m_marginTop, 0, ph)};
}

void beginZoom(const SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    view.zoomDragging = true;
    view.zoomStart = view.zoomCurrent = plotPoint(s, clientX, clientY);
}

bool moveZoom(const SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    if (!view.zoomDragging) return false;
    view.zoomCurrent = plotPoint(s, clientX, clientY);
    return true;
}

bool releaseZoom(SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    if (!view.zoomDragging) return false;
    view.zoomDragging = false;
    const PlotPoint end = plotPoint(s, clientX, clientY);
    const PlotPoint start = view.zoomStart;
    view.zoomCurrent = end;
    if (std::abs(end.x - start.x) <= 10 || std::abs(end.y - start.y) <= 10) return false;
    // Both points lie inside the plot, so pw and ph exceed 10 here.
    const double pw = plotWidth(s), ph = plotHeight(s);
    const double xa = std::min(start.x, end.x), xb = std::max(start.x, end.x);
    const double ya = std::min(start.y, end.y), yb = std::max(start.y, end.y);
    const double x0 = s.m_xMin, x1 = s.m_xMax, y0 = s.m_yMin, y1 = s.m_yMax;
    s.m_xMax = x0 + (x1 - x0) * xb / pw;
    s.m_xMin = x0 + (x1 - x0) * xa / pw;
    s.m_yMax = y0 + (y1 - y0) * (ph - ya) / ph;
    s.m_yMin = y0 + (y1 - y0) * (ph - yb) / ph;
    return true;
}

bool insidePlot(const SpectrumStore& s, int x, int y) {
    return s.m_marginLeft < x && x < s.m_clientWidth - s.m_marginRight && s.m_marginTop < y &&
           y < s.m_clientHeight - s.m_marginBottom;
}

void markerPress(const SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    if (insidePlot(s, clientX, clientY)) view.markerClick = true;
}

int nearestCurve0Point(const SpectrumStore& s, double xv) {
    const StoredCurve curve0 = storedCurve0(s);
    double best = 10000;
    int index = -1;
    for (int i = 0; i < curve0.count(); ++i) {
        const double d = std::fabs(curve0.x[i] - xv);
        if (d < best) {
            best = d;
            index = i;
        }
    }
    return index;
}

bool markerRelease(SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    const bool pressed = view.markerClick;
    view.markerClick = false;
    if (!pressed || !insidePlot(s, clientX, clientY)) return false;
    const int pw = plotWidth(s);  // positive: the point is strictly inside
    s.m_markerPixel = clientX;
    const double xv = s.m_xMin + (s.m_xMax - s.m_xMin) * (clientX - s.m_marginLeft) / pw;
    const int index = nearestCurve0Point(s, xv);
    if (index >= 0) {
        s.m_markerIndex = index;
        s.m_markerX = s.m_storedX[index];
    }
    return true;
}

DoubleClickTarget doubleClickTarget(const SpectrumStore& s, int x, int y) {
    if (y > s.m_clientHeight - s.m_marginBottom || x < s.m_marginLeft) return DoubleClickTarget::XYScaleDialog;
    return DoubleClickTarget::YAutoscale;
}

}  // namespace halden
