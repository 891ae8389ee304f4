// halden-cli gauss: fit one Gaussian peak on a constant offset to a spectrum
// text file, as "Gaussian Appr." does for the live spectrum.
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/SpectrumInput.h"
#include "spectrum/GaussianFit.h"

namespace halden::cli {
namespace {

void printGaussHelp() {
    std::printf(
        "Usage: halden-cli gauss FILE [--json]\n\n"
        "Fits F(x) = a exp(-(x - c)^2 / (w/4)^2) + b to the spectrum text file FILE\n"
        "(x in nm; as the chart does, the last point only carries the x range) and\n"
        "prints the centre and width as the chart shows them, then the full width\n"
        "at half maximum:\n"
        "  center: %%.2f nm\n"
        "  Width %%.2f nm      (0.48 w, as the chart shows it)\n"
        "  FWHM %%.2f nm       (w sqrt(ln 2) / 2)\n\n"
        "The fit is the least-squares optimum: a coordinate search from the\n"
        "starting values, finished by damped Gauss-Newton steps.\n\n"
        "Options:\n"
        "  --json  print one JSON object: amplitude, center, width, offset (a, c, w,\n"
        "          b at full precision), fwhm, their standard errors amplitude_se,\n"
        "          center_se, width_se, offset_se (null when the data do not\n"
        "          determine one), residual_rms, sweeps, points\n");
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

}  // namespace

int runGauss(const Args& args) {
    if (wantsHelp(args)) {
        printGaussHelp();
        return 0;
    }
    bool json = false;
    std::vector<std::string> paths;
    for (const auto& a : args) {
        if (a == "--json")
            json = true;
        else if (a.rfind("--", 0) == 0)
            return fail("gauss: unknown option '" + a + "'");
        else
            paths.push_back(a);
    }
    if (paths.size() != 1) return fail("gauss needs one FILE (see halden-cli gauss --help)");

    std::string error;
    const DataLines data = readSpectrumLines(paths[0], error);
    if (!error.empty()) return fail(error);
    // Fitting the first 4096 lines of a longer file would fit part of it.
    if (data.overflow)
        return fail("'" + paths[0] + "' holds more than " + std::to_string(kMaxDataLines) + " data lines");
    // As curve 0: n = highest index, n measured values over n + 1 x values.
    const int n = static_cast<int>(data.x.size()) - 1;
    if (n < kGaussMinPoints)
        return fail(paths[0] + ": " + std::to_string(data.x.size()) + " data points, the fit needs at least " +
                    std::to_string(kGaussMinPoints + 1));

    const GaussFitResult fit = fitGaussian(data.x.data(), data.y.data(), n);
    const GaussParams& p = fit.params;
    if (json) {
        const GaussParams& se = fit.standardError;
        std::printf("{\n  \"amplitude\": %s,\n  \"center\": %s,\n  \"width\": %s,\n  \"offset\": %s,\n"
                    "  \"fwhm\": %s,\n"
                    "  \"amplitude_se\": %s,\n  \"center_se\": %s,\n  \"width_se\": %s,\n  \"offset_se\": %s,\n"
                    "  \"residual_rms\": %s,\n  \"sweeps\": %d,\n  \"points\": %d\n}\n",
                    jsonNumber(p.amplitude).c_str(), jsonNumber(p.center).c_str(), jsonNumber(p.width).c_str(),
                    jsonNumber(p.offset).c_str(), jsonNumber(gaussFwhm(p.width)).c_str(),
                    jsonNumber(se.amplitude).c_str(), jsonNumber(se.center).c_str(), jsonNumber(se.width).c_str(),
                    jsonNumber(se.offset).c_str(), jsonNumber(fit.residualRms).c_str(), fit.sweeps, n + 1);
    } else {
        std::printf("center: %.2f nm\n", p.center);
        std::printf("Width %.2f nm\n", 0.48 * p.width);
        std::printf("FWHM %.2f nm\n", gaussFwhm(p.width));
    }
    return 0;
}

}  // namespace halden::cli
