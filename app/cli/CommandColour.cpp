// halden-cli colour: the colorimetric figures of a spectrum text file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/SpectrumInput.h"
#include "colour/CFormat.h"
#include "colour/Colorimetry.h"
#include "colour/CriReport.h"
#include "colour/LuminousEfficiencyTable.h"
#include "colour/Radiometry.h"
#include "files/AtomicFile.h"

namespace halden::cli {
namespace {

void printHelp() {
    std::printf(
        "Usage: halden-cli colour FILE [--json] [--report OUT]\n\n"
        "Reads a spectrum text file (one \"wavelength<TAB>value\" pair per line, as the\n"
        "spectrum files are saved; other lines are skipped) and prints its colorimetric\n"
        "report: CIE 1931 x, y, z, CIE 1960 u, v, the correlated colour temperature Tc\n"
        "(-1 when none lies between 1667 K and 1e8 K), the distance DC from the\n"
        "Planckian locus, DeltaE and R for the 14 test colour samples, CRI(1-8) = Ra\n"
        "and CRI(1-14) = Re. The values are taken as irradiance (no correction).\n\n"
        "Options:\n"
        "  --json        print every figure at full precision as one JSON object,\n"
        "                with the luminous figure \"lumen\" (exposure scale 1)\n"
        "  --report OUT  also write the report file OUT (CR LF line ends, as saved\n"
        "                beside a spectrum file)\n");
}

std::string jsonNumber(double v) { return std::isfinite(v) ? cformat("%.17g", v) : std::string("null"); }

const char* const kScalarNames[] = {"x", "y", "z", "u", "v", "Tc", "DC"};

std::string toJson(const ColorimetryResult& r, double lumen) {
    std::string out = "{\n";
    for (int i = 0; i < 7; ++i) out += cformat("  \"%s\": ", kScalarNames[i]) + jsonNumber(r[i]) + ",\n";
    for (int i = 1; i <= 14; ++i)
        out += cformat("  \"DeltaE%d\": ", i) + jsonNumber(r[ColorimetryResult::kDeltaE1 + i - 1]) + ",\n";
    for (int i = 1; i <= 14; ++i)
        out += cformat("  \"R%d\": ", i) + jsonNumber(r[ColorimetryResult::kR1 + i - 1]) + ",\n";
    out += "  \"Ra\": " + jsonNumber(r[ColorimetryResult::kRa]) + ",\n";
    out += "  \"Re\": " + jsonNumber(r[ColorimetryResult::kRe]) + ",\n";
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
    std::string file, reportPath;
    bool json = false, haveReport = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--json") {
            json = true;
        } else if (a == "--report") {
            if (i + 1 >= args.size()) return fail("--report needs a file name");
            reportPath = args[++i];
            haveReport = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("colour: unknown option '" + a + "' (see halden-cli colour --help)");
        } else if (file.empty()) {
            file = a;
        } else {
            return fail("colour takes one spectrum file, not '" + a + "' as well");
        }
    }
    if (file.empty()) return fail("colour needs a spectrum file (see halden-cli colour --help)");

    const SpectrumInput lines = readSpectrumInput(file);
    if (!lines.ok()) return fail(lines.error);
    if (lines.x.size() < 2)
        return fail("'" + file + "' holds " + std::to_string(lines.x.size()) +
                    " data line(s); a spectrum needs at least two");

    const int last = static_cast<int>(lines.x.size()) - 1;
    std::vector<double> wavelength = lines.x, intensity = lines.y;
    ColorimetryResult result;
    computeColorimetry(intensity.data(), wavelength.data(), last, result);

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
        std::fputs(toJson(result, lumen).c_str(), stdout);
    } else {
        std::fputs(forTerminal(formatCriReport(result, CriReportVariant::Full)).c_str(), stdout);
    }
    return 0;
}

}  // namespace halden::cli
