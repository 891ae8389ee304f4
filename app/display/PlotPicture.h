// Spectra drawn on the chart exactly as the window shows it, for halden-cli
// plot and the Python module's plot(): the first curve is the live spectrum
// (curve 0), the others stored curves in the snapshot colours, with the axis
// titles and a legend naming the curves. The picture comes as the bytes of a
// PNG, BMP, PDF or SVG file, and what was drawn as one JSON object (ranges,
// axis titles, ticks, marker, overlay texts).
#pragma once

#include <QSize>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "colour/PaintFigures.h"

namespace halden {

struct SpectrumStore;

inline constexpr int kMaxPlotSide = 16384;  // pixels, either side
inline constexpr int kMaxPlotCurves = 98;   // the stored-curve table's room

struct PlotCurve {
    std::vector<double> x, y;  // 1..4096 points of equal count
    std::string name;          // in the legend, e.g. the file name
};

struct PlotSettings {
    int width = 1000, height = 700;
    std::optional<std::pair<double, double>> x, y;  // visible ranges; default: the data's
    bool grid = true;          // grid lines, else short tick marks
    bool colourBar = false;    // the area under curve 0 coloured by wavelength
    bool chromaticity = false; // the CIE 1931 diagram with curve 0's figures
    bool energy = false;       // the energy block
    bool gauss = false;        // a Gaussian fit of curve 0, drawn with its result
    std::optional<double> marker;  // the marker at the curve-0 point nearest this x
};

enum class PictureFormat { Png, Bmp, Pdf, Svg };

// The format a file name's extension asks for (any case), or none.
std::optional<PictureFormat> pictureFormatOf(const std::string& path);

// Why these curves and settings cannot be drawn, or empty: no curve, more
// than kMaxPlotCurves, a curve without points, of more than 4096 points or
// with x and y of different counts, a side outside 1..kMaxPlotSide.
std::string plotProblem(const std::vector<PlotCurve>& curves, const PlotSettings& settings);

// The chart laid out for the curves and settings (which must pass
// plotProblem), ready to be drawn. Drawing needs a QGuiApplication.
class PlotChart {
public:
    PlotChart(const std::vector<PlotCurve>& curves, const PlotSettings& settings);
    ~PlotChart();
    PlotChart(const PlotChart&) = delete;
    PlotChart& operator=(const PlotChart&) = delete;

    // The picture file's bytes; empty when it could not be drawn.
    std::string encode(PictureFormat format) const;
    // What is drawn: size, plot (the frame's edges in pixels), x and y (the
    // ranges), xTitle and yTitle, xTicks and yTicks, marker (or null),
    // chromaticity (when shown) and texts (the legend's too).
    std::string layoutJson() const;

private:
    std::unique_ptr<SpectrumStore> m_store;
    PaintFigures m_figures;
    QSize m_size;
};

}  // namespace halden
