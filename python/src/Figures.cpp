#include "Figures.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "Spectrum.h"
#include "colour/CFormat.h"
#include "colour/ColourJson.h"
#include "colour/SpectrumFigures.h"
#include "spectrum/Baseline.h"
#include "spectrum/GaussianFit.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace halden::python {
namespace {

constexpr std::int64_t kMostBaselineWindow = 1000000;
constexpr std::int64_t kMostBaselineIterations = 1000000;

py::dict colour(const Spectrum& sp, const std::string& units) {
    const FigureUnit* unit = figureUnit(units);
    if (!unit) throw py::value_error("units must be 'relative', 'uW/cm2/nm' or 'W/m2/nm', not '" + units + "'");
    if (sp.points() < 2)
        throw py::value_error(cformat("a spectrum of %zu point has no colour figures; they need at least two", sp.points()));
    std::string json;
    {
        py::gil_scoped_release unlocked;
        json = colourJson(computeSpectrumFigures(sp.wavelengths(), sp.values(), unit->wattsPerUnit), unit->name);
    }
    return py::module_::import("json").attr("loads")(json);
}

py::object number(double v) { return std::isfinite(v) ? py::object(py::float_(v)) : py::object(py::none()); }

py::dict gauss(const Spectrum& sp) {
    // As the chart's curve 0: n measured values over n + 1 x values.
    const int n = static_cast<int>(sp.points()) - 1;
    if (n < kGaussMinPoints)
        throw py::value_error(cformat("%zu points; the Gaussian fit needs at least %d", sp.points(), kGaussMinPoints + 1));
    GaussFitResult fit;
    const std::vector<double> y = sp.values();
    {
        py::gil_scoped_release unlocked;
        fit = fitGaussian(sp.wavelengths().data(), y.data(), n);
    }
    const GaussParams& p = fit.params;
    const GaussParams& se = fit.standardError;
    return py::dict("amplitude"_a = number(p.amplitude), "center"_a = number(p.center), "width"_a = number(p.width),
                    "offset"_a = number(p.offset), "fwhm"_a = number(gaussFwhm(p.width)),
                    "amplitude_se"_a = number(se.amplitude), "center_se"_a = number(se.center),
                    "width_se"_a = number(se.width), "offset_se"_a = number(se.offset),
                    "residual_rms"_a = number(fit.residualRms), "sweeps"_a = fit.sweeps, "points"_a = n + 1);
}

Spectrum baseline(const Spectrum& sp, std::int64_t window, std::int64_t iterations) {
    if (window < 0 || window > kMostBaselineWindow)
        throw py::value_error(cformat("window must be a whole number from 0 to %lld, not %lld",
                                      static_cast<long long>(kMostBaselineWindow), static_cast<long long>(window)));
    if (iterations < 0 || iterations > kMostBaselineIterations)
        throw py::value_error(cformat("iterations must be a whole number from 0 to %lld, not %lld",
                                      static_cast<long long>(kMostBaselineIterations), static_cast<long long>(iterations)));
    std::vector<double> rows = sp.rows();
    const int last = static_cast<int>(sp.points()) - 1;
    {
        py::gil_scoped_release unlocked;
        for (int r = 0; r < sp.rowCount(); ++r)
            estimateBaseline(rows.data() + static_cast<std::size_t>(r) * sp.points(), last, window, iterations);
    }
    py::dict metadata = sp.metadata();
    metadata["baseline"] = py::dict("window"_a = window, "iterations"_a = iterations);
    return Spectrum(sp.wavelengths(), std::move(rows), sp.rowCount(), std::move(metadata));
}

}  // namespace

void registerFigures(py::module_& m) {
    m.def("colour", &colour, "spectrum"_a, py::kw_only(), "units"_a = "relative", R"doc(Every colour and light figure of the spectrum's first row, as a dict with
the keys and values `halden-cli colour --json` prints: CIE 1931 x, y, z,
CIE 1960 u, v, the colour temperature Tc and DC, DeltaE1..14, R1..14, Ra
and Re; Rf, Rg, Duv and the hue bins (CIE 2017 / TM-30); lumen; u', v',
dominant wavelength, purity, peak, centroid and FWHM; alpha_opic, cqs, ssi
and photon_flux; units. A figure that cannot be computed is None and
reasons[path] says why (e.g. reasons['Ra']).

units: what the values are, 'relative' (the absolute figures are left
out), 'uW/cm2/nm' or 'W/m2/nm'. The colour figures need the spectrum over
all of 380-780 nm with points at most 5 nm apart; points that do not rise
are sorted first, as halden-cli does.
)doc");
    m.def("gauss", &gauss, "spectrum"_a, R"doc(Fits one Gaussian peak on a constant offset to the spectrum's first row, as
`halden-cli gauss --json` and the chart's "Gaussian Appr." do:
F(x) = amplitude exp(-(x - center)^2 / (width/4)^2) + offset. As for the
chart's curve, the last point carries only the x range.

Returns a dict: amplitude, center, width, offset, fwhm (width sqrt(ln 2) /
2), their standard errors amplitude_se, center_se, width_se, offset_se
(None where the data do not determine one), residual_rms, sweeps, points.
Needs at least 22 points.
)doc");
    m.def("baseline", &baseline, "spectrum"_a, py::kw_only(), "window"_a = 50, "iterations"_a = 100, R"doc(Removes a slowly varying baseline, as `halden-cli baseline` does, from
every row, and returns the corrected spectrum (metadata gains
'baseline': {'window': ..., 'iterations': ...}).

window: the smoothing window in points, 0..1000000 (an odd one counts as the
next even one); iterations: the smoothing passes, 0..1000000.
)doc");
}

}  // namespace halden::python
