#include "display/ViewInteraction.h"

namespace halden {

int plotWidth(const SpectrumStore&) { return 0; }
int plotHeight(const SpectrumStore&) { return 0; }
PlotPoint plotPoint(const SpectrumStore&, int, int) { return {}; }
void beginZoom(const SpectrumStore&, ViewInteraction&, int, int) {}
bool moveZoom(const SpectrumStore&, ViewInteraction&, int, int) { return false; }
bool releaseZoom(SpectrumStore&, ViewInteraction&, int, int) { return false; }
bool insidePlot(const SpectrumStore&, int, int) { return false; }
void markerPress(const SpectrumStore&, ViewInteraction&, int, int) {}
bool markerRelease(SpectrumStore&, ViewInteraction&, int, int) { return false; }
int nearestCurve0Point(const SpectrumStore&, double) { return -1; }
DoubleClickTarget doubleClickTarget(const SpectrumStore&, int, int) { return DoubleClickTarget::YAutoscale; }

}  // namespace halden
