#include "display/ViewInteraction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "spectrum/StoredCurves.h"

namespace halden {

PlotFrame plotFrameOf(const SpectrumStore& s) {
    PlotFrame f;
    f.clientWidth = s.m_clientWidth;
    f.clientHeight = s.m_clientHeight;
    f.left = s.m_marginLeft;
    f.top = s.m_marginTop;
    f.right = s.m_clientWidth - s.m_marginRight;
    f.bottom = s.m_clientHeight - s.m_marginBottom;
    return f;
}

int plotWidth(const SpectrumStore& s) { return plotFrameOf(s).width(); }
int plotHeight(const SpectrumStore& s) { return plotFrameOf(s).height(); }

PlotPoint plotPoint(const PlotFrame& f, int clientX, int clientY) {
    const int pw = std::max(0, f.width()), ph = std::max(0, f.height());
    return {std::clamp(clientX - f.left, 0, pw), std::clamp(clientY - f.top, 0, ph)};
}

PlotPoint plotPoint(const SpectrumStore& s, int clientX, int clientY) {
    return plotPoint(plotFrameOf(s), clientX, clientY);
}

void beginZoom(const PlotFrame& f, ViewInteraction& view, int clientX, int clientY) {
    view.zoomDragging = true;
    view.zoomStart = view.zoomCurrent = plotPoint(f, clientX, clientY);
}

void beginZoom(const SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    beginZoom(plotFrameOf(s), view, clientX, clientY);
}

bool moveZoom(const PlotFrame& f, ViewInteraction& view, int clientX, int clientY) {
    if (!view.zoomDragging) return false;
    view.zoomCurrent = plotPoint(f, clientX, clientY);
    return true;
}

bool moveZoom(const SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    return moveZoom(plotFrameOf(s), view, clientX, clientY);
}

bool releaseZoom(SpectrumStore& s, const PlotFrame& f, ViewInteraction& view, int clientX, int clientY) {
    if (!view.zoomDragging) return false;
    view.zoomDragging = false;
    const PlotPoint end = plotPoint(f, clientX, clientY);
    const PlotPoint start = view.zoomStart;
    view.zoomCurrent = end;
    if (std::abs(end.x - start.x) <= 10 || std::abs(end.y - start.y) <= 10) return false;
    // Both points lie inside the plot, so pw and ph exceed 10 here.
    const double pw = f.width(), ph = f.height();
    const double xa = std::min(start.x, end.x), xb = std::max(start.x, end.x);
    const double ya = std::min(start.y, end.y), yb = std::max(start.y, end.y);
    const double x0 = s.m_xMin, x1 = s.m_xMax, y0 = s.m_yMin, y1 = s.m_yMax;
    s.m_xMax = x0 + (x1 - x0) * xb / pw;
    s.m_xMin = x0 + (x1 - x0) * xa / pw;
    s.m_yMax = y0 + (y1 - y0) * (ph - ya) / ph;
    s.m_yMin = y0 + (y1 - y0) * (ph - yb) / ph;
    return true;
}

bool releaseZoom(SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    return releaseZoom(s, plotFrameOf(s), view, clientX, clientY);
}

bool insidePlot(const PlotFrame& f, int x, int y) { return f.left < x && x < f.right && f.top < y && y < f.bottom; }

bool insidePlot(const SpectrumStore& s, int x, int y) { return insidePlot(plotFrameOf(s), x, y); }

void markerPress(const PlotFrame& f, ViewInteraction& view, int clientX, int clientY) {
    if (insidePlot(f, clientX, clientY)) view.markerClick = true;
}

void markerPress(const SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    markerPress(plotFrameOf(s), view, clientX, clientY);
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

bool markerRelease(SpectrumStore& s, const PlotFrame& f, ViewInteraction& view, int clientX, int clientY) {
    const bool pressed = view.markerClick;
    view.markerClick = false;
    if (!pressed || !insidePlot(f, clientX, clientY)) return false;
    const int pw = f.width();  // positive: the point is strictly inside
    s.m_markerPixel = clientX;
    const double xv = s.m_xMin + (s.m_xMax - s.m_xMin) * (clientX - f.left) / pw;
    const int index = nearestCurve0Point(s, xv);
    if (index >= 0) {
        s.m_markerIndex = index;
        s.m_markerX = s.m_storedX[index];
    }
    return true;
}

bool markerRelease(SpectrumStore& s, ViewInteraction& view, int clientX, int clientY) {
    return markerRelease(s, plotFrameOf(s), view, clientX, clientY);
}

DoubleClickTarget doubleClickTarget(const PlotFrame& f, int x, int y) {
    if (y > f.bottom || x < f.left) return DoubleClickTarget::XYScaleDialog;
    return DoubleClickTarget::YAutoscale;
}

DoubleClickTarget doubleClickTarget(const SpectrumStore& s, int x, int y) {
    return doubleClickTarget(plotFrameOf(s), x, y);
}

}  // namespace halden
