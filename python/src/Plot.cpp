#include "Plot.h"

#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QString>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Errors.h"
#include "Spectrum.h"
#include "display/PlotPicture.h"
#include "files/AtomicFile.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace halden::python {
namespace {

QtMessageHandler g_previousHandler = nullptr;

// The window-less platform notes a missing XDG_RUNTIME_DIR; a script has no
// use for it. Everything else goes on to the handler there was.
void quietPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QStringLiteral("QStandardPaths:"))) return;
    if (g_previousHandler) g_previousHandler(type, context, message);
    else std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// Drawing needs fonts, so a GUI application object: one on the window-less
// platform, made at the first picture and kept for the life of the process.
// The locale the interpreter runs in is kept as it was.
void ensureGuiApplication() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        if (!qobject_cast<QGuiApplication*>(app))
            throw Error("drawing needs a QGuiApplication, and this process runs a QCoreApplication");
        return;
    }
    static int argc = 3;
    static char name[] = "halden", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    g_previousHandler = qInstallMessageHandler(&quietPlatformNotes);
    new QGuiApplication(argc, argv);
    std::setlocale(LC_ALL, locale.c_str());
}

std::vector<PlotCurve> curvesOf(py::handle spectra) {
    std::vector<PlotCurve> curves;
    const auto add = [&](py::handle item) {
        if (!py::isinstance<Spectrum>(item))
            throw py::type_error("spectra must be a Spectrum or a sequence of them, not " +
                                 py::type::of(item).attr("__name__").cast<std::string>());
        const Spectrum& sp = item.cast<const Spectrum&>();
        // Named in the legend by the file it was read from, as halden-cli
        // plot names its curves.
        std::string name;
        const py::dict metadata = sp.metadata();
        if (metadata.contains("path"))
            name = std::filesystem::path(metadata["path"].cast<std::string>()).filename().string();
        curves.push_back({sp.wavelengths(), sp.values(), std::move(name)});
    };
    if (py::isinstance<Spectrum>(spectra)) {
        add(spectra);
    } else if (py::isinstance<py::sequence>(spectra) && !py::isinstance<py::str>(spectra)) {
        for (py::handle item : spectra.cast<py::sequence>()) add(item);
    } else {
        throw py::type_error("spectra must be a Spectrum or a sequence of them, not " +
                             py::type::of(spectra).attr("__name__").cast<std::string>());
    }
    return curves;
}

std::optional<std::pair<double, double>> range(const std::optional<std::pair<double, double>>& r, const char* name) {
    if (r && !(std::isfinite(r->first) && std::isfinite(r->second)))
        throw py::value_error(std::string(name) + " must be two finite numbers (min, max)");
    return r;
}

py::dict plot(const std::optional<std::filesystem::path>& path, py::handle spectra, std::pair<int, int> size,
              std::optional<std::pair<double, double>> x, std::optional<std::pair<double, double>> y, bool grid,
              bool colourBar, std::optional<double> marker, bool chromaticity, bool energy, bool gauss) {
    std::optional<PictureFormat> format;
    if (path) {
        format = pictureFormatOf(path->string());
        if (!format) throw py::value_error("'" + path->string() + "' needs the extension .png, .bmp, .pdf or .svg");
    }
    if (marker && !std::isfinite(*marker)) throw py::value_error("marker must be a finite number");
    PlotSettings settings;
    settings.width = size.first;
    settings.height = size.second;
    settings.x = range(x, "x");
    settings.y = range(y, "y");
    settings.grid = grid;
    settings.colourBar = colourBar;
    settings.marker = marker;
    settings.chromaticity = chromaticity;
    settings.energy = energy;
    settings.gauss = gauss;
    const std::vector<PlotCurve> curves = curvesOf(spectra);
    if (const std::string problem = plotProblem(curves, settings); !problem.empty()) throw py::value_error(problem);
    ensureGuiApplication();

    std::string layout, bytes;
    WriteResult written{true, {}};
    {
        py::gil_scoped_release unlocked;
        const PlotChart chart(curves, settings);
        layout = chart.layoutJson();
        if (format) {
            bytes = chart.encode(*format);
            if (!bytes.empty()) written = writeFileAtomically(path->string(), bytes);
        }
    }
    if (format && bytes.empty()) throw Error("cannot draw the picture for '" + path->string() + "'");
    if (!written.ok) throw Error("cannot write '" + path->string() + "': " + written.error);
    return py::module_::import("json").attr("loads")(layout);
}

}  // namespace

void registerPlot(py::module_& m) {
    m.def("plot", &plot, "path"_a, "spectra"_a, py::kw_only(), "size"_a = std::make_pair(1000, 700),
          "x"_a = py::none(), "y"_a = py::none(), "grid"_a = true, "colour_bar"_a = false, "marker"_a = py::none(),
          "chromaticity"_a = false, "energy"_a = false, "gauss"_a = false, R"doc(Draws spectra on the chart exactly as the window shows it, as `halden-cli
plot` does, into path (a .png, .bmp, .pdf or .svg file, replaced
atomically; None draws no file), and returns what was drawn as the dict
`halden-cli plot --json` prints: size, plot, x, y, xTitle, yTitle, xTicks,
yTicks, marker, texts (and chromaticity). Spectra read from files are named
by their file in the legend.

spectra: one Spectrum, the live curve (black), or a sequence of them: the
first is the live curve, the others stored curves in the snapshot colours
(at most 98, each of 1..4096 points; the first row of each is drawn).
size: (width, height) in pixels, 1..16384; x, y: the visible ranges (min,
max), by default the data's; grid: grid lines, else short tick marks;
colour_bar: the area under the live curve coloured by wavelength; marker:
the marker at the live curve's point nearest this x; chromaticity: the
CIE 1931 diagram with the live curve's figures; energy: the energy block;
gauss: a Gaussian fit of the live curve, drawn with its result.
)doc");
}

}  // namespace halden::python
