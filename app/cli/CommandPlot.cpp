// halden-cli plot: the chart as the window draws it, into a PNG, BMP, PDF or
// SVG file, and optionally a JSON description of what was drawn.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "colour/PaintFigures.h"
#include "spectrum/AcquisitionExchange.h"
#include "spectrum/LiveView.h"
#include "cli/Commands.h"
#include "cli/OutputPaths.h"
#include "cli/SpectrumInput.h"
#include "colour/CFormat.h"
#include "display/ScreenImage.h"
#include "display/ViewInteraction.h"
#include "display/ViewRendering.h"
#include "files/AtomicFile.h"
#include "spectrum/CThreadGauss.h"
#include "spectrum/GaussianFit.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoredCurves.h"

namespace halden::cli {
namespace {

constexpr int kMaxSide = 16384;

void printHelp() {
    std::printf(
        "Usage: halden-cli plot FILE [FILE...] -o OUT [options]\n\n"
        "Draws spectrum text files on the chart exactly as the window shows it. The\n"
        "first file is the live spectrum (curve 0, black); further files are stored\n"
        "curves 1, 2, ... in the stored-curve colours. OUT is a PNG, BMP (24-bit),\n"
        "PDF or SVG file, chosen by its extension; it is replaced atomically.\n\n"
        "Options:\n"
        "  -o OUT           the picture file (may be left out with --json)\n"
        "  --size WxH       picture size in pixels (default 1000x700)\n"
        "  --x MIN MAX      visible x range (default: smallest to largest x)\n"
        "  --y MIN MAX      visible y range (default: the y values in the x range\n"
        "                   widened by 10 %% and 0.1 each side)\n"
        "  --no-grid        short tick marks instead of grid lines\n"
        "  --colour-bar     colour the area under curve 0 by wavelength (400-700 nm)\n"
        "  --marker NM      put the marker on the curve-0 point nearest NM, as a\n"
        "                   right-click there would\n"
        "  --chromaticity   the CIE 1931 diagram with the colorimetric figures of\n"
        "                   curve 0 (diagram scale 3.5)\n"
        "  --energy         the energy block for 380-760, 380-490, 490-580, 580-760 nm\n"
        "  --gauss          fit a Gaussian peak to curve 0; draw the fit and its result\n"
        "  --json           print what was drawn as one JSON object on stdout:\n"
        "                   size, plot (the frame's edges in pixels), x and y (the ranges\n"
        "                   drawn), xTitle and yTitle, xTicks and yTicks (value, label,\n"
        "                   pixel of the tick line), marker (index, x, y, or null) and\n"
        "                   texts (every overlay text, the legend's too, with the top-left\n"
        "                   point it is drawn at)\n\n"
        "The picture has the axis titles and a legend naming the files.\n");
}

struct PlotOptions {
    std::vector<std::string> files;
    std::string out;
    int width = 1000, height = 700;
    std::optional<std::pair<double, double>> x, y;
    bool grid = true, colourBar = false, chromaticity = false, energy = false, gauss = false, json = false;
    std::optional<double> marker;
};

std::optional<std::pair<int, int>> parseSize(const std::string& text) {
    const auto cross = text.find_first_of("xX");
    if (cross == std::string::npos) return std::nullopt;
    const auto w = parseWholeInteger(text.substr(0, cross));
    const auto h = parseWholeInteger(text.substr(cross + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > kMaxSide || *h > kMaxSide) return std::nullopt;
    return std::make_pair(static_cast<int>(*w), static_cast<int>(*h));
}

// Returns an error text, or "" when the options are usable.
std::string parseOptions(const Args& args, PlotOptions& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto needs = [&](std::size_t n) { return i + n < args.size(); };
        if (a == "-o") {
            if (!needs(1)) return "-o needs a file name";
            o.out = args[++i];
        } else if (a == "--size") {
            if (!needs(1)) return "--size needs WxH";
            const auto size = parseSize(args[++i]);
            if (!size) return "--size needs WxH with both between 1 and 16384, not '" + args[i] + "'";
            o.width = size->first;
            o.height = size->second;
        } else if (a == "--x" || a == "--y") {
            if (!needs(2)) return a + " needs MIN and MAX";
            const auto lo = parseWholeNumber(args[i + 1]), hi = parseWholeNumber(args[i + 2]);
            if (!lo || !hi || !std::isfinite(*lo) || !std::isfinite(*hi))
                return a + " needs two numbers, not '" + args[i + 1] + "' '" + args[i + 2] + "'";
            (a == "--x" ? o.x : o.y) = std::make_pair(*lo, *hi);
            i += 2;
        } else if (a == "--marker") {
            if (!needs(1)) return "--marker needs a wavelength";
            const auto nm = parseWholeNumber(args[++i]);
            if (!nm || !std::isfinite(*nm)) return "--marker needs a number, not '" + args[i] + "'";
            o.marker = *nm;
        } else if (a == "--no-grid") {
            o.grid = false;
        } else if (a == "--colour-bar") {
            o.colourBar = true;
        } else if (a == "--chromaticity") {
            o.chromaticity = true;
        } else if (a == "--energy") {
            o.energy = true;
        } else if (a == "--gauss") {
            o.gauss = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return "plot: unknown option '" + a + "' (see halden-cli plot --help)";
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.empty()) return "plot needs a spectrum file (see halden-cli plot --help)";
    if (o.files.size() > kStoredSlots - 2) return "plot draws at most 98 files";
    if (o.out.empty() && !o.json) return "plot needs -o OUT or --json";
    return {};
}

// The one refusal of the spectrum reader that still leaves a picture to draw.
bool holdsNoDataLines(const SpectrumInput& in) {
    static const std::string suffix = "holds no data lines";
    return in.x.empty() && in.error.size() >= suffix.size() &&
           in.error.compare(in.error.size() - suffix.size(), suffix.size(), suffix) == 0;
}

enum class Format { Png, Bmp, Pdf, Svg };

std::optional<Format> formatOf(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos) return std::nullopt;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "png") return Format::Png;
    if (ext == "bmp") return Format::Bmp;
    if (ext == "pdf") return Format::Pdf;
    if (ext == "svg") return Format::Svg;
    return std::nullopt;
}

// Curve 0 from the first file (through the live buffer, as an acquisition
// would arrive), the others as stored curves in the snapshot colours.
void loadCurves(SpectrumStore& s, const std::vector<SpectrumInput>& inputs, const std::vector<std::string>& files) {
    const SpectrumInput& first = inputs.front();
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
    // Named by its file in the legend: the live block keeps its name.
    nameStoredCurve(s, 0, CurveKind::Live, std::filesystem::path(files.front()).filename().string());
    long long offset = n;
    int k = 1;
    for (std::size_t f = 1; f < inputs.size(); ++f, ++k) {
        const SpectrumInput& in = inputs[f];
        const int count = static_cast<int>(in.x.size());
        std::copy(in.x.begin(), in.x.end(), s.m_storedX.begin() + offset);
        std::copy(in.y.begin(), in.y.end(), s.m_storedY.begin() + offset);
        s.m_storedLength[k] = count - 1;
        setStoredCurveSlotColour(s, k);
        nameStoredCurve(s, k, CurveKind::File, std::filesystem::path(files[f]).filename().string());
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

// The picture file's bytes in the format of its extension; empty on failure.
QByteArray encodePicture(Format format, QSize size, const SpectrumStore& s, const PaintFigures& figures,
                         const ViewOptions& options) {
    const ViewInteraction idle;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case Format::Png:
        if (!renderViewImage(size, s, figures, idle, options).save(&buffer, "PNG")) return {};
        break;
    case Format::Bmp: {
        const std::string bmp = bmpFileBytes(rgbFromImage(renderViewImage(size, s, figures, idle, options)));
        bytes = QByteArray(bmp.data(), static_cast<qsizetype>(bmp.size()));
        break;
    }
    case Format::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96, size.height() * 72.0 / 96), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        renderView(painter, size, s, figures, idle, options);
        break;
    }
    case Format::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("Halden chart"));
        QPainter painter(&svg);
        renderView(painter, size, s, figures, idle, options);
        break;
    }
    }
    return bytes;
}

}  // namespace

int runPlot(const Args& args) {
    if (wantsHelp(args)) {
        printHelp();
        return 0;
    }
    PlotOptions o;
    if (const std::string error = parseOptions(args, o); !error.empty()) return fail(error);
    if (const std::string clash = outputClash(o.files, {o.out}); !clash.empty()) return fail(clash);
    std::optional<Format> format;
    if (!o.out.empty()) {
        format = formatOf(o.out);
        if (!format) return fail("'" + o.out + "' needs the extension .png, .bmp, .pdf or .svg");
    }

    std::vector<SpectrumInput> inputs;
    for (const std::string& f : o.files) {
        SpectrumInput in = readSpectrumInput(f);
        if (!in.ok() && !holdsNoDataLines(in)) return fail(in.error);
        if (in.x.empty()) {
            // A readable file without data is drawn as a curve with nothing
            // to show (one point that is never drawable), so the table keeps
            // its order and the picture its frame.
            in.error.clear();
            in.x.assign(1, std::numeric_limits<double>::quiet_NaN());
            in.y = in.x;
        }
        inputs.push_back(std::move(in));
    }

    auto store = std::make_unique<SpectrumStore>();
    SpectrumStore& s = *store;
    loadCurves(s, inputs, o.files);
    s.m_xMin = o.x ? o.x->first : -1.0;
    s.m_xMax = o.x ? o.x->second : -1.0;
    s.m_yMin = o.y ? o.y->first : -1.0;
    s.m_yMax = o.y ? o.y->second : -1.0;
    s.m_gridLines = o.grid;
    s.m_colorBar2 = o.colourBar;
    s.m_chromaticityView = o.chromaticity;
    s.m_calcEnergy = o.energy;
    if (o.gauss) runGaussFit(s);

    const QSize size(o.width, o.height);
    PaintFigures figures = settleForPicture(s, o.width, o.height);
    if (o.marker) {
        // The right-click rule at that wavelength: the nearest curve-0 point,
        // the readout beside the wavelength's pixel on the ranges drawn.
        const ChartGeometry g = describeChart(chartParamsFromStore(s, size)).geometry;
        const int index = nearestCurve0Point(s, *o.marker);
        if (index >= 0) {
            s.m_markerIndex = index;
            s.m_markerX = s.m_storedX[index];
        }
        s.m_markerPixel = std::clamp(g.xPixel(*o.marker), 0, o.width);
        figures = settleForPicture(s, o.width, o.height);  // the marker's figures at the new point
    }

    // An exported picture names its curves.
    ViewOptions options;
    options.legend = true;
    if (format) {
        const QByteArray bytes = encodePicture(*format, size, s, figures, options);
        if (bytes.isEmpty()) return fail("cannot draw the picture for '" + o.out + "'");
        const WriteResult written = writeFileAtomically(o.out, std::string_view(bytes.constData(), bytes.size()));
        if (!written.ok) return fail("cannot write '" + o.out + "': " + written.error);
    }
    if (o.json) std::fputs(layoutJson(describeView(size, s, figures, ViewInteraction{}, options)).c_str(), stdout);
    return 0;
}

}  // namespace halden::cli
