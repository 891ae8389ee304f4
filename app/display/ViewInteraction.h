// The chart's mouse rules as plain functions: plot coordinates of a client
// position, zooming with a dragged rectangle, placing the marker with the
// right button, and what a left double-click opens. They work on a plot
// frame: the window passes the frame of the picture on screen (what the
// user clicks on); the store's overloads use its margins.
#pragma once

#include "spectrum/SpectrumStore.h"

namespace halden {

// Pixels from the plot's left / top edge.
struct PlotPoint {
    int x = 0, y = 0;
};

// The plot's edges in client pixels.
struct PlotFrame {
    int clientWidth = 0, clientHeight = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The frame of the store's client size and margins.
PlotFrame plotFrameOf(const SpectrumStore& store);

// The view's mouse state between events.
struct ViewInteraction {
    bool zoomDragging = false;
    PlotPoint zoomStart, zoomCurrent;
    bool markerClick = false;  // right button went down inside the plot
};

// Plot width and height of the stored client size and margins.
int plotWidth(const SpectrumStore& store);
int plotHeight(const SpectrumStore& store);

// Client (x, y) minus the frame's left/top edges, clamped to the plot.
PlotPoint plotPoint(const PlotFrame& frame, int clientX, int clientY);
PlotPoint plotPoint(const SpectrumStore& store, int clientX, int clientY);

// Left button down: start dragging at the clamped point.
void beginZoom(const PlotFrame& frame, ViewInteraction& view, int clientX, int clientY);
void beginZoom(const SpectrumStore& store, ViewInteraction& view, int clientX, int clientY);
// Mouse move: the current point follows while dragging; true when it did.
bool moveZoom(const PlotFrame& frame, ViewInteraction& view, int clientX, int clientY);
bool moveZoom(const SpectrumStore& store, ViewInteraction& view, int clientX, int clientY);
// Left button up: zooms when the rectangle exceeds 10 pixels both ways,
// always stops dragging. True when the ranges changed.
bool releaseZoom(SpectrumStore& store, const PlotFrame& frame, ViewInteraction& view, int clientX, int clientY);
bool releaseZoom(SpectrumStore& store, ViewInteraction& view, int clientX, int clientY);

// Strictly inside the plot area.
bool insidePlot(const PlotFrame& frame, int clientX, int clientY);
bool insidePlot(const SpectrumStore& store, int clientX, int clientY);

// Right button down: remembered when inside the plot.
void markerPress(const PlotFrame& frame, ViewInteraction& view, int clientX, int clientY);
void markerPress(const SpectrumStore& store, ViewInteraction& view, int clientX, int clientY);
// Right button up: inside the plot after a press inside, moves the marker to
// the curve-0 point nearest the clicked x (m_markerIndex, m_markerX,
// m_markerPixel). True when the view must repaint.
bool markerRelease(SpectrumStore& store, const PlotFrame& frame, ViewInteraction& view, int clientX, int clientY);
bool markerRelease(SpectrumStore& store, ViewInteraction& view, int clientX, int clientY);

// The curve-0 point whose x is nearest xv (first on ties), or -1.
int nearestCurve0Point(const SpectrumStore& store, double xv);

enum class DoubleClickTarget { XYScaleDialog, YAutoscale };
// Below or left of the plot: the "X Y Scale" dialog; elsewhere y autoscale.
DoubleClickTarget doubleClickTarget(const PlotFrame& frame, int clientX, int clientY);
DoubleClickTarget doubleClickTarget(const SpectrumStore& store, int clientX, int clientY);

}  // namespace halden
