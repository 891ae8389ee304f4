// halden-cli colour: the colorimetric and light figures of a spectrum text file.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/OutputPaths.h"
#include "cli/SpectrumInput.h"
#include "cli/VectorGraphicFile.h"
#include "colour/CFormat.h"
#include "colour/ColourJson.h"
#include "colour/ColourRendition.h"
#include "colour/CriReport.h"
#include "colour/LightFigures.h"
#include "colour/LightText.h"
#include "colour/SpectrumFigures.h"
#include "display/LightReport.h"
#include "files/AtomicFile.h"

namespace halden::cli {
namespace {

void printColourHelp() {
    std::printf(
        "Usage: halden-cli colour FILE [--json] [--units UNIT] [--report OUT]\n"
        "                         [--vector-graphic OUT] [--pdf OUT]\n\n"
        "Reads a spectrum text file (one \"wavelength<TAB>value\" pair per line, as the\n"
        "spectrum files are saved; other lines are skipped) and prints its colorimetric\n"
        "report: CIE 1931 x, y, z, CIE 1960 u, v, the correlated colour temperature Tc\n"
        "(-1 when none lies between 1667 K and 1e8 K), the distance DC from the\n"
        "Planckian locus, DeltaE and R for the 14 test colour samples, CRI(1-8) = Ra\n"
        "and CRI(1-14) = Re, then the colour rendition by CIE 2017 / TM-30: the\n"
        "fidelity index Rf, the gamut index Rg and Duv, the signed distance from the\n"
        "Planckian locus, then the light figures: CIE 1976 u', v', dominant\n"
        "wavelength and excitation purity, CQS 9.0, the spectral similarity index,\n"
        "the alpha-opic quantities of CIE S 026, the LED figures and the photon\n"
        "fluxes. The colour figures need the spectrum over all of 380-780 nm with\n"
        "points at most 5 nm apart. A spectrum whose wavelengths do not rise is\n"
        "sorted (repeated wavelengths averaged) before any figure. A figure that\n"
        "cannot be computed is left out with the reason; when none can, the exit\n"
        "status is 1.\n\n"
        "Options:\n"
        "  --json        print every figure at full precision as one JSON object,\n"
        "                with the luminous figure \"lumen\" (exposure scale 1) and\n"
        "                \"Rf\", \"Rg\", \"Duv\", \"Rf_h\", \"Rcs_h\" (per cent), \"Rhs_h\"\n"
        "                (lists of the 16 hue bins, bin 1 first); a figure left out\n"
        "                is null and \"reasons\" says why, by the figure's path\n"
        "  --units UNIT  what the values are: relative (the default: the absolute\n"
        "                figures, alpha-opic irradiance and EDI and the photon\n"
        "                fluxes, are left out), uW/cm2/nm or W/m2/nm\n"
        "  --report OUT  also write the report file OUT (CR LF line ends, as saved\n"
        "                beside a spectrum file)\n"
        "  --vector-graphic OUT  also draw the TM-30 colour vector graphic to OUT\n"
        "                (.png, .svg or .pdf, 800 x 800)\n"
        "  --pdf OUT     also write the one-page light report to OUT (vector PDF, A4)\n");
}

// The rendition lines after the report on the terminal.
std::string renditionText(const ColourRendition& c) {
    if (!c.ok) return "Rf, Rg, Duv: none (" + c.error + ")\n";
    const double duv = std::fabs(c.duv) < 0.00005 ? 0.0 : c.duv;  // no "-0.0000"
    return cformat("Rf = %.1f\nRg = %.1f\nDuv = %.4f\n", c.Rf, c.Rg, duv);
}

// The report as text for the terminal: the file's lines with LF line ends,
// or the lines that can be given and why the others cannot.
std::string reportText(const LightFigures& f) {
    if (!f.colourError.empty()) return "Colour figures: none (" + f.colourError + ")\n";
    std::string report = formatCriReport(f.colorimetry, CriReportVariant::Full);
    std::erase(report, '\r');
    if (f.renderingError.empty()) return report + "\n";
    // x .. Tc are valid: the first six lines.
    std::size_t end = 0;
    for (int line = 0; line < 6; ++line) end = report.find('\n', end) + 1;
    return report.substr(0, end) + "DC, DeltaE, R, CRI: none (" + f.renderingError + ")\n";
}
}  // namespace

int runColour(const Args& args) {
    if (wantsHelp(args)) {
        printColourHelp();
        return 0;
    }
    std::string file, reportPath, graphicPath, pdfPath;
    bool json = false, haveReport = false;
    const FigureUnit* unit = &kFigureUnits[0];
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            json = true;
        } else if (a == "--report") {
            if (i + 1 >= args.size()) return fail("--report needs a file name");
            reportPath = args[++i];
            haveReport = true;
        } else if (a == "--vector-graphic") {
            if (i + 1 >= args.size()) return fail("--vector-graphic needs a file name");
            graphicPath = args[++i];
            if (!isVectorGraphicName(graphicPath))
                return fail("'" + graphicPath + "' needs the extension .png, .svg or .pdf");
        } else if (a == "--pdf") {
            if (i + 1 >= args.size()) return fail("--pdf needs a file name");
            pdfPath = args[++i];
        } else if (a == "--units") {
            if (i + 1 >= args.size()) return fail("--units needs relative, uW/cm2/nm or W/m2/nm");
            const std::string& name = args[++i];
            unit = figureUnit(name);
            if (!unit) return fail("--units '" + name + "': say relative, uW/cm2/nm or W/m2/nm");
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("colour: unknown option '" + a + "' (see halden-cli colour --help)");
        } else if (file.empty()) {
            file = a;
        } else {
            return fail("colour takes one spectrum file, not '" + a + "' as well");
        }
    }
    if (file.empty()) return fail("colour needs a spectrum file (see halden-cli colour --help)");
    if (const std::string clash = outputClash({file}, {reportPath, graphicPath}); !clash.empty()) return fail(clash);

    const SpectrumInput lines = readSpectrumInput(file);
    if (!lines.ok()) return fail(lines.error);
    if (lines.x.size() < 2)
        return fail("'" + file + "' holds " + std::to_string(lines.x.size()) +
                    " data line(s); a spectrum needs at least two");

    // Every figure takes the points in one order: rising, repeats averaged.
    const SpectrumFigures figures = computeSpectrumFigures(lines.x, lines.y, unit->wattsPerUnit);
    const std::vector<double>& wavelength = figures.wavelength;
    const std::vector<double>& value = figures.value;
    const LightFigures& light = figures.light;
    const ColourRendition& rendition = figures.rendition;
    if (figures.order.sorted || figures.order.merged > 0)
        std::fprintf(stderr, "halden-cli: note: the wavelengths of '%s' do not rise; %s\n", file.c_str(),
                     figures.order.merged > 0
                         ? cformat("sorted, %d repeated point(s) averaged", figures.order.merged).c_str()
                         : "the points were sorted");
    if (!graphicPath.empty()) {
        if (!rendition.ok) return fail("no colour vector graphic: " + rendition.error);
        if (const std::string error = writeVectorGraphic(graphicPath, rendition); !error.empty()) return fail(error);
    }
    if (haveReport) {
        if (!light.colourError.empty()) return fail("no report written: " + light.colourError);
        if (!light.renderingError.empty()) return fail("no report written: " + light.renderingError);
        const WriteResult w = writeFileAtomically(reportPath, formatCriReport(light.colorimetry, CriReportVariant::Full));
        if (!w.ok) return fail("cannot write the report '" + reportPath + "': " + w.error);
    }
    if (!pdfPath.empty()) {
        if (!light.anyComputed()) return fail("no light report: " + light.colourError);
        const LightReport report{light, rendition, wavelength, value, "spectrum file " + file, reportTimeNow(),
                                 std::string("values ") + unit->name + ", " + std::to_string(wavelength.size()) +
                                     cformat(" points, %.1f-%.1f nm", wavelength.front(), wavelength.back())};
        if (const std::string error = writeLightReportPdf(pdfPath, report); !error.empty()) return fail(error);
    }

    if (json)
        std::fputs(colourJson(figures, unit->name).c_str(), stdout);
    else
        std::fputs((reportText(light) + renditionText(rendition) + formatLightFigures(light)).c_str(), stdout);
    if (!light.anyComputed()) return fail("no figure could be computed: " + light.colourError);
    return 0;
}

}  // namespace halden::cli
