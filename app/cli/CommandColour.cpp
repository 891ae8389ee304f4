// halden-cli colour: the colorimetric figures of a spectrum text file.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/OutputPaths.h"
#include "cli/SpectrumInput.h"
#include "cli/VectorGraphicFile.h"
#include "colour/CFormat.h"
#include "colour/Colorimetry.h"
#include "colour/ColourRendition.h"
#include "colour/CriReport.h"
#include "colour/LuminousEfficiencyTable.h"
#include "colour/Radiometry.h"
#include "files/AtomicFile.h"

namespace halden::cli {
namespace {

void printHelp() {
    std::printf(
        "Usage: halden-cli colour FILE [--json] [--report OUT] [--vector-graphic OUT]\n\n"
        "Reads a spectrum text file (one \"wavelength<TAB>value\" pair per line, as the\n"
        "spectrum files are saved; other lines are skipped) and prints its colorimetric\n"
        "report: CIE 1931 x, y, z, CIE 1960 u, v, the correlated colour temperature Tc\n"
        "(-1 when none lies between 1667 K and 1e8 K), the distance DC from the\n"
        "Planckian locus, DeltaE and R for the 14 test colour samples, CRI(1-8) = Ra\n"
        "and CRI(1-14) = Re, then the colour rendition by CIE 2017 / TM-30: the\n"
        "fidelity index Rf, the gamut index Rg and Duv, the signed distance from the\n"
        "Planckian locus (these need the spectrum over all of 380-780 nm). The values\n"
        "are taken as irradiance (no correction).\n\n"
        "Options:\n"
        "  --json        print every figure at full precision as one JSON object,\n"
        "                with the luminous figure \"lumen\" (exposure scale 1) and\n"
        "                \"Rf\", \"Rg\", \"Duv\", \"Rf_h\", \"Rcs_h\" (per cent), \"Rhs_h\"\n"
        "                (lists of the 16 hue bins, bin 1 first); null with\n"
        "                \"rendition_error\" when the spectrum does not allow them\n"
        "  --report OUT  also write the report file OUT (CR LF line ends, as saved\n"
        "                beside a spectrum file)\n"
        "  --vector-graphic OUT  also draw the TM-30 colour vector graphic to OUT\n"
        "                (.png, .svg or .pdf, 800 x 800)\n");
}

std::string jsonNumber(double v) { return std::isfinite(v) ? cformat("%.17g", v) : std::string("null"); }

const char* const kScalarNames[] = {"x", "y", "z", "u", "v", "Tc", "DC"};

std::string jsonEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string jsonList(const std::array<double, kHueBins>& values) {
    std::string out = "[";
    for (int j = 0; j < kHueBins; ++j) out += (j ? ", " : "") + jsonNumber(values[j]);
    return out + "]";
}

std::string renditionJson(const ColourRendition& c) {
    if (!c.ok)
        return "  \"Rf\": null,\n  \"Rg\": null,\n  \"Duv\": null,\n  \"Rf_h\": null,\n  \"Rcs_h\": null,\n"
               "  \"Rhs_h\": null,\n  \"rendition_error\": \"" + jsonEscaped(c.error) + "\",\n";
    return "  \"Rf\": " + jsonNumber(c.Rf) + ",\n  \"Rg\": " + jsonNumber(c.Rg) + ",\n  \"Duv\": " + jsonNumber(c.duv) +
           ",\n  \"Rf_h\": " + jsonList(c.RfHue) + ",\n  \"Rcs_h\": " + jsonList(c.RcsHue) +
           ",\n  \"Rhs_h\": " + jsonList(c.RhsHue) + ",\n";
}

// The rendition lines after the report on the terminal.
std::string renditionText(const ColourRendition& c) {
    if (!c.ok) return "Rf, Rg, Duv: none (" + c.error + ")\n";
    const double duv = std::fabs(c.duv) < 0.00005 ? 0.0 : c.duv;  // no "-0.0000"
    return cformat("Rf = %.1f\nRg = %.1f\nDuv = %.4f\n", c.Rf, c.Rg, duv);
}

std::string toJson(const ColorimetryResult& r, double lumen, const ColourRendition& c) {
    std::string out = "{\n";
    for (int i = 0; i < 7; ++i) out += cformat("  \"%s\": ", kScalarNames[i]) + jsonNumber(r[i]) + ",\n";
    for (int i = 1; i <= 14; ++i)
        out += cformat("  \"DeltaE%d\": ", i) + jsonNumber(r[ColorimetryResult::kDeltaE1 + i - 1]) + ",\n";
    for (int i = 1; i <= 14; ++i)
        out += cformat("  \"R%d\": ", i) + jsonNumber(r[ColorimetryResult::kR1 + i - 1]) + ",\n";
    out += "  \"Ra\": " + jsonNumber(r[ColorimetryResult::kRa]) + ",\n";
    out += "  \"Re\": " + jsonNumber(r[ColorimetryResult::kRe]) + ",\n";
    out += renditionJson(c);
    out += "  \"lumen\": " + jsonNumber(lumen) + "\n}\n";
    return out;
}

// The report as text for the terminal: the file's lines with LF line ends.
std::string forTerminal(const std::string& report) {
    std::string out;
    out.reserve(report.size() + 1);
    for (char c : report)
        if (c != '\r') out += c;
    return out + "\n";
}

}  // namespace

int runColour(const Args& args) {
    if (wantsHelp(args)) {
        printHelp();
        return 0;
    }
    std::string file, reportPath, graphicPath;
    bool json = false, haveReport = false;
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

    const int last = static_cast<int>(lines.x.size()) - 1;
    std::vector<double> wavelength = lines.x, intensity = lines.y;
    ColorimetryResult result;
    computeColorimetry(intensity.data(), wavelength.data(), last, result);
    const ColourRendition rendition = computeColourRendition(lines.y.data(), lines.x.data(), last);
    if (!graphicPath.empty()) {
        if (!rendition.ok) return fail("no colour vector graphic: " + rendition.error);
        if (const std::string error = writeVectorGraphic(graphicPath, rendition); !error.empty()) return fail(error);
    }

    if (haveReport) {
        const WriteResult w = writeFileAtomically(reportPath, formatCriReport(result, CriReportVariant::Full));
        if (!w.ok) return fail("cannot write the report '" + reportPath + "': " + w.error);
    }

    if (json) {
        // The lumen scan needs rising wavelengths, as the spectrum is ordered above.
        std::vector<double> x = lines.x, y = lines.y;
        if (x[0] > x[1]) {
            std::reverse(x.begin(), x.end());
            std::reverse(y.begin(), y.end());
        }
        const std::vector<double> unit(x.size(), 1.0);
        const double lumen =
            luminousFlux(y.data(), x.data(), unit.data(), last, 1, 1.0, kLuminousEfficiencyTable.data());
        std::fputs(toJson(result, lumen, rendition).c_str(), stdout);
    } else {
        std::fputs((forTerminal(formatCriReport(result, CriReportVariant::Full)) + renditionText(rendition)).c_str(),
                   stdout);
    }
    return 0;
}

}  // namespace halden::cli
