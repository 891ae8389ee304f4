#include "colour/PhotonFlux.h"

#include <algorithm>

#include "colour/CFormat.h"
#include "colour/FigureConstants.h"

namespace halden {
namespace {

// Planck constant x speed of light x Avogadro constant, J m mol^-1 (exact).
constexpr double kMolarPhotonEnergy = 6.62607015e-34 * 299792458.0 * 6.02214076e23;
// umol s^-1 per W at 1 nm: lambda [nm] x 1e-9 / (h c N_A) x 1e6.
constexpr double kMicromolePerWattNm = 1e-3 / kMolarPhotonEnergy;


// Why lo..hi is not covered, or empty.
std::string bandCoverage(const double* wavelength, int last, double lo, double hi) {
    if (last < 1 || wavelength[0] > lo || wavelength[last] < hi)
        return cformat("coverage too short: the spectrum covers %.1f-%.1f nm; this needs %.0f-%.0f nm", wavelength[0],
                       wavelength[last], lo, hi);
    const double* from = std::upper_bound(wavelength, wavelength + last + 1, lo);
    for (const double* p = std::max(from, wavelength + 1); p <= wavelength + last && p[-1] < hi; ++p)
        if (*p - p[-1] > kMaxGapNm)
            return cformat("coverage too short: no point between %.2f and %.2f nm (at most 5 nm apart)", p[-1], *p);
    return {};
}

// The integral of the linear interpolant of value x lambda over lo..hi.
double photonIntegral(const double* wavelength, const double* value, int last, double lo, double hi) {
    auto at = [&](double nm) {  // value x nm, interpolated
        const int j = std::clamp(static_cast<int>(std::upper_bound(wavelength, wavelength + last + 1, nm) - wavelength) - 1,
                                 0, last - 1);
        const double f = (nm - wavelength[j]) / (wavelength[j + 1] - wavelength[j]);
        return (value[j] + f * (value[j + 1] - value[j])) * nm;
    };
    double sum = 0, x0 = lo, y0 = at(lo);
    for (int i = static_cast<int>(std::upper_bound(wavelength, wavelength + last + 1, lo) - wavelength);
         i <= last && wavelength[i] < hi; ++i) {
        const double y = value[i] * wavelength[i];
        sum += (y + y0) * (wavelength[i] - x0);
        x0 = wavelength[i];
        y0 = y;
    }
    sum += (at(hi) + y0) * (hi - x0);
    return sum / 2 * kMicromolePerWattNm;
}

}  // namespace

PhotonFluxFigures photonFluxFigures(const double* wavelength, const double* value, int last, double wattsPerUnit,
                                    const std::string& absoluteReason) {
    PhotonFluxFigures out;
    auto band = [&](double lo, double hi) {
        if (const std::string why = bandCoverage(wavelength, last, lo, hi); !why.empty()) return Figure::none(why);
        if (!(wattsPerUnit > 0)) return Figure::none(absoluteReason);
        return Figure::of(photonIntegral(wavelength, value, last, lo, hi) * wattsPerUnit);
    };
    out.ppfd = band(400, 700);
    out.eppfd = band(400, 750);
    out.uvA = band(315, 400);
    out.blue = band(400, 500);
    out.green = band(500, 600);
    out.red = band(600, 700);
    out.farRed = band(700, 750);
    if (std::string why = bandCoverage(wavelength, last, 655, 735); !why.empty()) {
        out.redFarRed = Figure::none(why);
    } else {
        const double farRed = photonIntegral(wavelength, value, last, 725, 735);
        out.redFarRed = farRed > 0 ? Figure::of(photonIntegral(wavelength, value, last, 655, 665) / farRed)
                                   : Figure::none("the spectrum has no far-red light (725-735 nm)");
    }
    return out;
}

}  // namespace halden
