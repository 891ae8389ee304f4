// The whole picture of the view: white background, colour bar 1, the chart,
// the marker readout, the zoom rectangle and the overlays (Gaussian result,
// irradiance and concentration, chromaticity picture and its figures, energy
// block). The window, the screen image, printing and halden-cli plot all draw
// through renderView; describeView lists the same picture as data.
#pragma once

#include <QImage>
#include <QSize>

#include <string>
#include <vector>

#include "colour/PaintFigures.h"
#include "display/ChartDrawing.h"
#include "display/ViewInteraction.h"
#include "spectrum/SpectrumStore.h"

class QPainter;

namespace halden {

// One overlay text at its top-left reference point.
struct PlacedText {
    std::string text;
    int x = 0, y = 0;
    enum class Font { Overlay, Chromaticity } font = Font::Overlay;
};

struct ViewLayout {
    QSize size;
    ChartLayout chart;
    std::vector<PlacedText> texts;
    bool chromaticity = false;
    QRect diagramTarget;       // where the diagram picture is stretched to
    QRect diagramMarker;       // the rectangle on the picture, image pixels
    bool zoomRectangle = false;
    QRect zoomRect;            // client pixels
};

// The chart's parameters as the view passes them.
ChartParams chartParamsFromStore(const SpectrumStore& store, QSize size);

ViewLayout describeView(QSize size, const SpectrumStore& store, const PaintFigures& figures,
                        const ViewInteraction& interaction);
// The same with the chart's parameters already made.
ViewLayout describeView(const ChartParams& chart, const SpectrumStore& store, const PaintFigures& figures,
                        const ViewInteraction& interaction);
void renderView(QPainter& painter, QSize size, const SpectrumStore& store,
                const PaintFigures& figures, const ViewInteraction& interaction);
// renderView into a new RGB32 image of that size.
QImage renderViewImage(QSize size, const SpectrumStore& store, const PaintFigures& figures,
                       const ViewInteraction& interaction);

}  // namespace halden
