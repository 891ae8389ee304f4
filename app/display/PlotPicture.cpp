#include "display/PlotPicture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "colour/CFormat.h"
#include "display/ScreenImage.h"
#include "display/ViewInteraction.h"
#include "display/ViewRendering.h"
#include "files/BmpImage.h"
#include "spectrum/AcquisitionExchange.h"
#include "spectrum/CThreadGauss.h"
#include "spectrum/LiveView.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoredCurves.h"

namespace halden {
namespace {

// Curve 0 through the live buffer, as an acquisition would arrive, the
// others as stored curves in the snapshot colours.
void loadCurves(SpectrumStore& s, const std::vector<PlotCurve>& curves) {
    const PlotCurve& first = curves.front();
    const int n = static_cast<int>(first.x.size());
    double* live = s.liveBuffer();
    for (int i = 0; i < n; ++i) {
        s.m_wavelength[i] = first.x[i];
        live[i] = first.y[i];
    }
    s.m_rangeFirst = 0;
    s.m_rangeLast = static_cast<std::uint16_t>(n - 1);
    s.m_lastPoint = s.m_rangeLast;
    s.m_lastIndex = n - 1;
    s.m_storedLength[0] = n - 1;
    // Named in the legend: the live block keeps its name.
    nameStoredCurve(s, 0, CurveKind::Live, first.name);
    long long offset = n;
    int k = 1;
    for (std::size_t f = 1; f < curves.size(); ++f, ++k) {
        const PlotCurve& c = curves[f];
        const int count = static_cast<int>(c.x.size());
        std::copy(c.x.begin(), c.x.end(), s.m_storedX.begin() + offset);
        std::copy(c.y.begin(), c.y.end(), s.m_storedY.begin() + offset);
        s.m_storedLength[k] = count - 1;
        setStoredCurveSlotColour(s, k);
        nameStoredCurve(s, k, CurveKind::File, c.name);
        offset += count;
    }
    s.m_storedLength[k] = -1;
    s.m_storedCount = k;
    markLiveBufferLoaded(s, n - 1);
}

// What the window does before a paint: the derived view state and the
// overlays' figures for a picture of that size.
PaintFigures settleForPicture(SpectrumStore& s, int width, int height) {
    updateClientSize(s, width, height);
    settleView(s);
    return computePaintFigures(s);
}

void runGaussFit(SpectrumStore& s) {
    refreshLiveCurves(s);  // the fit reads curve 0's x values
    // The fit runs here instead of on the worker thread.
    applyGaussianResult(s, runGaussianFit(prepareGaussianRequest(s)));
}

std::string jsonNumber(double v) { return std::isfinite(v) ? cformat("%.10g", v) : std::string("null"); }

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            out += cformat("\\u%04x", static_cast<unsigned>(c));
            continue;
        }
        out += c;
    }
    return out + "\"";
}

std::string ticksJson(const std::vector<ChartTick>& ticks) {
    std::string out = "[";
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (i) out += ", ";
        out += "{\"value\": " + jsonNumber(ticks[i].value) + ", \"label\": " + jsonString(ticks[i].label) +
               ", \"pixel\": " + std::to_string(ticks[i].pixel) + "}";
    }
    return out + "]";
}

std::string layoutJson(const ViewLayout& l) {
    const ChartGeometry& g = l.chart.geometry;
    std::string out = "{\"size\": [" + std::to_string(l.size.width()) + ", " + std::to_string(l.size.height()) + "],\n";
    out += " \"plot\": {\"left\": " + std::to_string(truncPixel(g.left)) + ", \"right\": " +
           std::to_string(truncPixel(g.right)) + ", \"top\": " + std::to_string(truncPixel(g.top)) +
           ", \"bottom\": " + std::to_string(truncPixel(g.bottom)) + "},\n";
    out += " \"x\": {\"min\": " + jsonNumber(g.xMin) + ", \"max\": " + jsonNumber(g.xMax) + "}, \"y\": {\"min\": " +
           jsonNumber(g.yMin) + ", \"max\": " + jsonNumber(g.yMax) + "},\n";
    out += " \"xTitle\": " + (l.chart.xTitle ? jsonString(l.chart.xTitle->text) : std::string("null")) +
           ", \"yTitle\": " + (l.chart.yTitle ? jsonString(l.chart.yTitle->text) : std::string("null")) + ",\n";
    out += " \"xTicks\": " + ticksJson(l.chart.xTicks) + ",\n";
    out += " \"yTicks\": " + ticksJson(l.chart.yTicks) + ",\n";
    if (l.chart.marker)
        out += " \"marker\": {\"index\": " + std::to_string(l.chart.marker->index) + ", \"x\": " +
               jsonNumber(l.chart.marker->x) + ", \"y\": " + jsonNumber(l.chart.marker->y) + "},\n";
    else
        out += " \"marker\": null,\n";
    if (l.chromaticity) {
        const QRect& t = l.diagramTarget;
        const QRect& m = l.diagramMarker;
        out += " \"chromaticity\": {\"picture\": [" + std::to_string(t.left()) + ", " + std::to_string(t.top()) + ", " +
               std::to_string(t.width()) + ", " + std::to_string(t.height()) + "], \"rectangle\": [" +
               std::to_string(m.left()) + ", " + std::to_string(m.top()) + ", " + std::to_string(m.left() + m.width()) +
               ", " + std::to_string(m.top() + m.height()) + "]},\n";
    }
    out += " \"texts\": [";
    for (std::size_t i = 0; i < l.texts.size(); ++i) {
        if (i) out += ",\n   ";
        out += "{\"text\": " + jsonString(l.texts[i].text) + ", \"x\": " + std::to_string(l.texts[i].x) +
               ", \"y\": " + std::to_string(l.texts[i].y) + "}";
    }
    return out + "]}\n";
}

}  // namespace

std::optional<PictureFormat> pictureFormatOf(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos) return std::nullopt;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "png") return PictureFormat::Png;
    if (ext == "bmp") return PictureFormat::Bmp;
    if (ext == "pdf") return PictureFormat::Pdf;
    if (ext == "svg") return PictureFormat::Svg;
    return std::nullopt;
}

std::string plotProblem(const std::vector<PlotCurve>& curves, const PlotSettings& settings) {
    if (curves.empty()) return "nothing to draw: no spectrum";
    if (curves.size() > static_cast<std::size_t>(kMaxPlotCurves))
        return "the chart draws at most " + std::to_string(kMaxPlotCurves) + " spectra, not " +
               std::to_string(curves.size());
    for (std::size_t k = 0; k < curves.size(); ++k) {
        const PlotCurve& c = curves[k];
        if (c.x.size() != c.y.size() || c.x.empty() || c.x.size() > static_cast<std::size_t>(kPointCapacity))
            return "spectrum " + std::to_string(k) + " has " + std::to_string(c.x.size()) + " x and " +
                   std::to_string(c.y.size()) + " y values; the chart draws 1 to " + std::to_string(kPointCapacity) +
                   " points of each";
    }
    if (settings.width < 1 || settings.height < 1 || settings.width > kMaxPlotSide || settings.height > kMaxPlotSide)
        return "the picture size needs both sides between 1 and " + std::to_string(kMaxPlotSide) + " pixels, not " +
               std::to_string(settings.width) + "x" + std::to_string(settings.height);
    return {};
}

PlotChart::PlotChart(const std::vector<PlotCurve>& curves, const PlotSettings& o)
    : m_store(std::make_unique<SpectrumStore>()), m_size(o.width, o.height) {
    SpectrumStore& s = *m_store;
    loadCurves(s, curves);
    s.m_xMin = o.x ? o.x->first : -1.0;
    s.m_xMax = o.x ? o.x->second : -1.0;
    s.m_yMin = o.y ? o.y->first : -1.0;
    s.m_yMax = o.y ? o.y->second : -1.0;
    s.m_gridLines = o.grid;
    s.m_colorBar2 = o.colourBar;
    s.m_chromaticityView = o.chromaticity;
    s.m_calcEnergy = o.energy;
    if (o.gauss) runGaussFit(s);

    m_figures = settleForPicture(s, o.width, o.height);
    if (o.marker) {
        // The right-click rule at that x: the nearest curve-0 point, the
        // readout beside its pixel on the ranges drawn.
        const ChartGeometry g = describeChart(chartParamsFromStore(s, m_size)).geometry;
        const int index = nearestCurve0Point(s, *o.marker);
        if (index >= 0) {
            s.m_markerIndex = index;
            s.m_markerX = s.m_storedX[index];
        }
        s.m_markerPixel = std::clamp(g.xPixel(*o.marker), 0, o.width);
        m_figures = settleForPicture(s, o.width, o.height);  // the marker's figures at the new point
    }
}

PlotChart::~PlotChart() = default;

namespace {

// An exported picture names its curves.
ViewOptions exportOptions() {
    ViewOptions options;
    options.legend = true;
    return options;
}

}  // namespace

std::string PlotChart::encode(PictureFormat format) const {
    const SpectrumStore& s = *m_store;
    const ViewInteraction idle;
    const ViewOptions options = exportOptions();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Png:
        if (!renderViewImage(m_size, s, m_figures, idle, options).save(&buffer, "PNG")) return {};
        break;
    case PictureFormat::Bmp:
        return bmpFileBytes(rgbFromImage(renderViewImage(m_size, s, m_figures, idle, options)));
    case PictureFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageSize(
            QPageSize(QSizeF(m_size.width() * 72.0 / 96, m_size.height() * 72.0 / 96), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        renderView(painter, m_size, s, m_figures, idle, options);
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(m_size);
        svg.setViewBox(QRect(QPoint(0, 0), m_size));
        svg.setTitle(QStringLiteral("Halden chart"));
        QPainter painter(&svg);
        renderView(painter, m_size, s, m_figures, idle, options);
        break;
    }
    }
    buffer.close();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string PlotChart::layoutJson() const {
    return halden::layoutJson(describeView(m_size, *m_store, m_figures, ViewInteraction{}, exportOptions()));
}

}  // namespace halden
