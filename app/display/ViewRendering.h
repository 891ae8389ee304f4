// The whole picture of the view: white background, colour bar 1, the chart
// with its axis titles, the marker readout, the zoom rectangle and the
// overlays (Gaussian result, irradiance and concentration, chromaticity
// picture and its figures, energy block, and on exports the legend). The
// window, the screen image, printing and halden-cli plot all draw through
// renderView; describeView lists the same picture as data.
//
// Overlay blocks keep the places the chart's rules give them while those are
// free; otherwise they stack downwards (or beside each other) without
// overlapping, always inside the plot. When the chromaticity figures leave
// no room for the rest, their text is made smaller until everything fits.
#pragma once

#include <QColor>
#include <QImage>
#include <QLine>
#include <QRect>
#include <QSize>

#include <string>
#include <vector>

#include "colour/PaintFigures.h"
#include "display/ChartDrawing.h"
#include "display/ViewInteraction.h"
#include "spectrum/SpectrumStore.h"

class QPainter;

namespace halden {

// One overlay text at its top-left reference point, with the box it covers.
struct PlacedText {
    std::string text;
    int x = 0, y = 0;
    enum class Font { Overlay, Chromaticity } font = Font::Overlay;
    QRect box;
};

// A curve's colour in the legend, left of its name.
struct LegendSwatch {
    QLine line;
    QColor colour;
};

// What the picture is for.
struct ViewOptions {
    bool legend = false;  // printouts and exported pictures: the curves' names
};

struct ViewLayout {
    QSize size;
    ChartLayout chart;
    std::vector<PlacedText> texts;
    bool chromaticity = false;
    QRect diagramTarget;       // where the diagram picture is stretched to
    QRect diagramMarker;       // the rectangle on the picture, image pixels
    // The divisor the chromaticity texts are drawn with: the diagram's own,
    // or larger (smaller text) when the overlays would not fit otherwise.
    double chromaticityTextScale = 3.5;
    bool zoomRectangle = false;
    QRect zoomRect;            // client pixels
    QRect legendFrame;         // empty without a legend
    std::vector<LegendSwatch> legendSwatches;
};

// The axis titles of the shown spectrum: x "Wavelength (nm)", "Raman shift
// (1/cm)" or "Pixel"; y "Counts", "R (%)", "T (%)" or "Absorbance" as the
// shown acquisition was made (with "ln " in front on the log scale).
std::string xAxisTitle(const SpectrumStore& store);
std::string yAxisTitle(const SpectrumStore& store);

// The chart's parameters as the view passes them.
ChartParams chartParamsFromStore(const SpectrumStore& store, QSize size);

// The plot frame of a laid-out chart, for the mouse rules.
PlotFrame plotFrameOf(const ChartLayout& chart);

ViewLayout describeView(QSize size, const SpectrumStore& store, const PaintFigures& figures,
                        const ViewInteraction& interaction, const ViewOptions& options = {});
// The same with the chart's parameters already made.
ViewLayout describeView(const ChartParams& chart, const SpectrumStore& store, const PaintFigures& figures,
                        const ViewInteraction& interaction, const ViewOptions& options = {});
// Paints the picture; returns the layout it drew.
ViewLayout renderView(QPainter& painter, QSize size, const SpectrumStore& store, const PaintFigures& figures,
                      const ViewInteraction& interaction, const ViewOptions& options = {});
// renderView into a new RGB32 image of that size.
QImage renderViewImage(QSize size, const SpectrumStore& store, const PaintFigures& figures,
                       const ViewInteraction& interaction, const ViewOptions& options = {});

}  // namespace halden
