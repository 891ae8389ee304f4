// halden-cli plot: the chart as the window draws it, into a PNG, BMP, PDF or
// SVG file, and optionally a JSON description of what was drawn.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/OutputPaths.h"
#include "cli/SpectrumInput.h"
#include "display/PlotPicture.h"
#include "files/AtomicFile.h"

namespace halden::cli {
namespace {

void printPlotHelp() {
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
    bool json = false;
    PlotSettings chart;
};

std::optional<std::pair<int, int>> parseSize(const std::string& text) {
    const auto cross = text.find_first_of("xX");
    if (cross == std::string::npos) return std::nullopt;
    const auto w = parseWholeInteger(text.substr(0, cross));
    const auto h = parseWholeInteger(text.substr(cross + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > kMaxPlotSide || *h > kMaxPlotSide) return std::nullopt;
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
            o.chart.width = size->first;
            o.chart.height = size->second;
        } else if (a == "--x" || a == "--y") {
            if (!needs(2)) return a + " needs MIN and MAX";
            const auto lo = parseWholeNumber(args[i + 1]), hi = parseWholeNumber(args[i + 2]);
            if (!lo || !hi || !std::isfinite(*lo) || !std::isfinite(*hi))
                return a + " needs two numbers, not '" + args[i + 1] + "' '" + args[i + 2] + "'";
            (a == "--x" ? o.chart.x : o.chart.y) = std::make_pair(*lo, *hi);
            i += 2;
        } else if (a == "--marker") {
            if (!needs(1)) return "--marker needs a wavelength";
            const auto nm = parseWholeNumber(args[++i]);
            if (!nm || !std::isfinite(*nm)) return "--marker needs a number, not '" + args[i] + "'";
            o.chart.marker = *nm;
        } else if (a == "--no-grid") {
            o.chart.grid = false;
        } else if (a == "--colour-bar") {
            o.chart.colourBar = true;
        } else if (a == "--chromaticity") {
            o.chart.chromaticity = true;
        } else if (a == "--energy") {
            o.chart.energy = true;
        } else if (a == "--gauss") {
            o.chart.gauss = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return "plot: unknown option '" + a + "' (see halden-cli plot --help)";
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.empty()) return "plot needs a spectrum file (see halden-cli plot --help)";
    if (o.files.size() > static_cast<std::size_t>(kMaxPlotCurves)) return "plot draws at most 98 files";
    if (o.out.empty() && !o.json) return "plot needs -o OUT or --json";
    return {};
}

// The one refusal of the spectrum reader that still leaves a picture to draw.
bool holdsNoDataLines(const SpectrumInput& in) {
    static const std::string suffix = "holds no data lines";
    return in.x.empty() && in.error.size() >= suffix.size() &&
           in.error.compare(in.error.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

int runPlot(const Args& args) {
    if (wantsHelp(args)) {
        printPlotHelp();
        return 0;
    }
    PlotOptions o;
    if (const std::string error = parseOptions(args, o); !error.empty()) return fail(error);
    if (const std::string clash = outputClash(o.files, {o.out}); !clash.empty()) return fail(clash);
    std::optional<PictureFormat> format;
    if (!o.out.empty()) {
        format = pictureFormatOf(o.out);
        if (!format) return fail("'" + o.out + "' needs the extension .png, .bmp, .pdf or .svg");
    }

    std::vector<PlotCurve> curves;
    for (const std::string& f : o.files) {
        SpectrumInput in = readSpectrumInput(f);
        if (!in.ok() && !holdsNoDataLines(in)) return fail(in.error);
        if (in.x.empty()) {
            // A readable file without data is drawn as a curve with nothing
            // to show (one point that is never drawable), so the table keeps
            // its order and the picture its frame.
            in.x.assign(1, std::numeric_limits<double>::quiet_NaN());
            in.y = in.x;
        }
        curves.push_back({std::move(in.x), std::move(in.y), std::filesystem::path(f).filename().string()});
    }

    const PlotChart chart(curves, o.chart);
    if (format) {
        const std::string bytes = chart.encode(*format);
        if (bytes.empty()) return fail("cannot draw the picture for '" + o.out + "'");
        const WriteResult written = writeFileAtomically(o.out, bytes);
        if (!written.ok) return fail("cannot write '" + o.out + "': " + written.error);
    }
    if (o.json) std::fputs(chart.layoutJson().c_str(), stdout);
    return 0;
}

}  // namespace halden::cli
