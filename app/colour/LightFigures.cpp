#include "colour/LightFigures.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "colour/AlphaOpic.h"
#include "colour/CFormat.h"
#include "colour/Colorimetry.h"
#include "colour/ColourQualityScale.h"
#include "colour/DominantWavelength.h"
#include "colour/FigureConstants.h"
#include "colour/LedFigures.h"
#include "colour/LightTables.h"
#include "colour/PhotonFlux.h"
#include "colour/ReferenceIlluminants.h"
#include "colour/RisingAxis.h"
#include "colour/SpectralSimilarity.h"

namespace halden {

namespace {

constexpr const char* kRelative = "needs spectral irradiance (the values are relative)";

// Linear interpolation of a rising spectrum at firstNm, firstNm + 1, ...;
// 0 outside it.
void resampleLinear(const double* wavelength, const double* value, int last, int firstNm, int points, double* out) {
    int j = 0;
    for (int k = 0; k < points; ++k) {
        const double nm = firstNm + k;
        if (nm < wavelength[0] || nm > wavelength[last]) {
            out[k] = 0;
            continue;
        }
        while (j + 1 <= last && wavelength[j + 1] <= nm) ++j;
        if (j == last || wavelength[j] == nm) {
            out[k] = value[j];
        } else {
            const double f = (nm - wavelength[j]) / (wavelength[j + 1] - wavelength[j]);
            out[k] = value[j] + f * (value[j + 1] - value[j]);
        }
    }
}

// Every figure left out for one reason.
LightFigures noFigures(const std::string& why) {
    LightFigures f;
    f.colourError = why;
    for (Figure* g : {&f.uPrime, &f.vPrime, &f.dominantWavelength, &f.purity, &f.peakWavelength,
                      &f.centroidWavelength, &f.fwhm, &f.cqs.Qa, &f.cqs.Qf, &f.cqs.Qp, &f.cqs.Qg, &f.ssi3200K,
                      &f.ssiD55, &f.ssiMatched})
        *g = Figure::none(why);
    for (AlphaOpicFigures& a : f.alphaOpic) a.irradiance = a.elr = a.der = a.edi = Figure::none(why);
    PhotonFluxFigures& p = f.photonFlux;
    for (Figure* g : {&p.ppfd, &p.eppfd, &p.uvA, &p.blue, &p.green, &p.red, &p.farRed, &p.redFarRed})
        *g = Figure::none(why);
    return f;
}

// The figures that need the colour coverage, left out with its reason.
void withoutColour(LightFigures& f, const std::string& why) {
    f.colourError = why;
    for (Figure* g : {&f.uPrime, &f.vPrime, &f.dominantWavelength, &f.purity, &f.centroidWavelength, &f.cqs.Qa,
                      &f.cqs.Qf, &f.cqs.Qp, &f.cqs.Qg, &f.ssi3200K, &f.ssiD55, &f.ssiMatched})
        *g = Figure::none(why);
    for (AlphaOpicFigures& a : f.alphaOpic) a.irradiance = a.elr = a.der = a.edi = Figure::none(why);
}

// Why the chromaticity view's figures of a colour-covering spectrum are not
// usable, or empty.
std::string colorimetryError(const ColorimetryResult& r) {
    using R = ColorimetryResult;
    for (std::size_t i = R::kX; i <= R::kTc; ++i)
        if (!std::isfinite(r[i]) || !(r[R::kY] > 0)) return "the spectrum has no light between 360 and 830 nm";
    return {};
}

void colourFigures(LightFigures& f, const std::vector<double>& wavelength, const std::vector<double>& value,
                   double wattsPerUnit) {
    const int last = static_cast<int>(wavelength.size()) - 1;
    std::vector<double> x = wavelength, y = value;
    computeColorimetry(y.data(), x.data(), last, f.colorimetry);
    if (std::string why = colorimetryError(f.colorimetry); !why.empty()) {
        withoutColour(f, why);
        return;
    }
    using R = ColorimetryResult;
    const ColorimetryResult& c = f.colorimetry;
    if (c[R::kTc] < 0) {
        f.renderingError = "the light has no correlated colour temperature between 1667 K and 1e8 K";
    } else {
        for (std::size_t i = R::kDC; i < R::kCount; ++i)
            if (!std::isfinite(c[i])) f.renderingError = "the colour rendering figures could not be computed";
    }
    f.uPrime = Figure::of(c[R::kU]);
    f.vPrime = Figure::of(1.5 * c[R::kV]);
    const DominantWavelength d = dominantWavelength(c[R::kX], c[R::kY]);
    if (!d.found) {
        f.dominantWavelength = f.purity = Figure::none("the chromaticity lies on no line from white to the locus");
    } else {
        f.purity = Figure::of(d.purity);
        f.dominantWavelength = d.white ? Figure::none("the light is white: excitation purity below 0.001")
                                       : Figure::of(d.wavelength);
        f.complementary = d.complementary;
    }

    double grid[kLightPoints];
    resampleLinear(wavelength.data(), value.data(), last, kLightFirstNm, kLightPoints, grid);
    f.centroidWavelength = centroidWavelength(grid);
    f.alphaOpic = alphaOpicFigures(grid, wattsPerUnit, kRelative);
    f.cqs = colourQualityScale(grid);

    double test[kSimilarityPoints], reference[kSimilarityPoints];
    resampleLinear(wavelength.data(), value.data(), last, kSimilarityFirstNm, kSimilarityPoints, test);
    auto similarity = [&] { return Figure::of(std::round(spectralSimilarityIndex(test, reference))); };
    planckianOnGrid(3200, kSimilarityFirstNm, kSimilarityPoints, reference);
    f.ssi3200K = similarity();
    daylightOnGrid(cieDaylightKelvin(5500), true, kSimilarityFirstNm, kSimilarityPoints, reference);
    f.ssiD55 = similarity();
    if (f.cqs.cct > 0) {
        matchedReferenceOnGrid(f.cqs.cct, kSimilarityFirstNm, kSimilarityPoints, reference);
        f.ssiMatched = similarity();
    } else {
        f.ssiMatched = Figure::none(f.cqs.Qa.reason);
    }
}

}  // namespace

Figure Figure::of(double v) {
    if (std::isfinite(v)) return {v, {}};
    return none("the values are too large or too small to compute with");
}

double valueScale(const double* value, int last) {
    double largest = 0;
    for (int i = 0; i <= last; ++i) {
        if (!std::isfinite(value[i])) return 1;
        largest = std::max(largest, std::fabs(value[i]));
    }
    if (!(largest > 0)) return 1;
    int exponent = 0;
    std::frexp(largest, &exponent);  // largest = m 2^exponent, 0.5 <= m < 1
    return std::ldexp(1.0, exponent - 1);
}

bool LightFigures::anyComputed() const {
    if (colourError.empty()) return true;
    for (const Figure* g : {&peakWavelength, &fwhm, &photonFlux.ppfd, &photonFlux.eppfd, &photonFlux.uvA,
                            &photonFlux.blue, &photonFlux.green, &photonFlux.red, &photonFlux.farRed,
                            &photonFlux.redFarRed})
        if (g->ok()) return true;
    return false;
}

std::string colourCoverageError(const double* wavelength, int last) {
    if (last < 1)
        return cformat("coverage too short: the spectrum has %d point%s; colour figures need all of %d-%d nm",
                       last + 1, last == 0 ? "" : "s", kLightFirstNm, kLightLastNm);
    if (wavelength[0] > kLightFirstNm || wavelength[last] < kLightLastNm)
        return cformat("coverage too short: the spectrum covers %.1f-%.1f nm; colour figures need all of %d-%d nm",
                       wavelength[0], wavelength[last], kLightFirstNm, kLightLastNm);
    for (int i = 1; i <= last && wavelength[i - 1] < kLightLastNm; ++i)
        if (wavelength[i] > kLightFirstNm && wavelength[i] - wavelength[i - 1] > kMaxGapNm)
            return cformat("coverage too short: the spectrum has no point between %.2f and %.2f nm "
                           "(colour figures need points at most 5 nm apart)",
                           wavelength[i - 1], wavelength[i]);
    return {};
}

LightFigures computeLightFigures(const double* wavelength, const double* value, int last, double wattsPerUnit) {
    std::vector<double> x(wavelength, wavelength + std::max(last + 1, 0));
    std::vector<double> y(value, value + std::max(last + 1, 0));
    if (x.empty()) return noFigures("the spectrum has no points");
    orderByWavelength(x, y);
    last = static_cast<int>(x.size()) - 1;
    if (!std::isfinite(x[0]) || !std::isfinite(x[last]))
        return noFigures("the spectrum has a wavelength that is not a number");
    double peak = -INFINITY;
    for (int i = 0; i <= last; ++i) {
        if (!std::isfinite(y[i])) return noFigures(cformat("the spectrum has a value that is not a number at %.2f nm", x[i]));
        peak = std::max(peak, y[i]);
    }
    if (!(peak > 0)) return noFigures("the spectrum has no light (no value above 0)");
    // Every figure but the absolute ones is the same for any scale of the
    // values: work on values below 2, so that no sum overflows, and put the
    // scale back into the unit.
    const double scale = valueScale(y.data(), last);
    for (double& v : y) v /= scale;
    const double units = wattsPerUnit > 0 ? wattsPerUnit * scale : 0;

    LightFigures f;
    const PeakFigures p = peakFigures(x.data(), y.data(), last);
    f.peakWavelength = p.peakWavelength;
    f.fwhm = p.fwhm;
    f.photonFlux = photonFluxFigures(x.data(), y.data(), last, units, kRelative);
    if (const std::string why = colourCoverageError(x.data(), last); !why.empty())
        withoutColour(f, why);
    else
        colourFigures(f, x, y, units);
    return f;
}

}  // namespace halden
