#include "virtual/Scene.h"

#include <cmath>

namespace vantrel::virt {
namespace {

constexpr double kInstrumentFwhm = 0.5;  // nm, about two and a half pixels
constexpr double kFwhmToSigma = 0.42466090014400953;

double gaussian(double x, double centre, double sigma)
{
    const double d = (x - centre) / sigma;
    return std::exp(-0.5 * d * d);
}

// A spectral line as the instrument sees it.
double line(double nm, double centre, double intrinsicFwhm = 0.0)
{
    const double fwhm = std::sqrt(kInstrumentFwhm * kInstrumentFwhm + intrinsicFwhm * intrinsicFwhm);
    return gaussian(nm, centre, fwhm * kFwhmToSigma);
}

double planck(double nm, double kelvin)
{
    const double m = nm * 1e-9;
    constexpr double c2 = 1.438776877e-2;  // m K
    return 1.0 / (std::pow(m, 5.0) * (std::exp(c2 / (m * kelvin)) - 1.0));
}

double lamp(double nm)
{
    // Normalised to 1 at 560 nm.
    return planck(nm, kLampTemperature) / planck(560.0, kLampTemperature);
}

double led(double nm)
{
    // Blue die and the YAG phosphor it pumps; the phosphor band is skewed red.
    const double die = gaussian(nm, 450.0, 20.0 * kFwhmToSigma);
    const double phosphorSigma = nm < 560.0 ? 45.0 : 62.0;
    const double phosphor = 0.42 * gaussian(nm, 560.0, phosphorSigma);
    return die + phosphor;
}

double fluorescent(double nm)
{
    double value = 0.0;
    value += 0.30 * line(nm, 404.7);
    value += 0.65 * line(nm, 435.8);
    value += 1.00 * line(nm, 546.1);
    value += 0.18 * line(nm, 578.0);
    // Tb3+ green and blue-green bands, Eu3+ red band, weak Eu2+ blue band.
    value += 0.22 * line(nm, 487.0, 7.0);
    value += 0.45 * line(nm, 545.0, 6.0);
    value += 0.70 * line(nm, 611.0, 4.0);
    value += 0.06 * gaussian(nm, 450.0, 22.0);
    value += 0.05 * gaussian(nm, 590.0, 8.0);  // Eu3+ side bands
    value += 0.04 * gaussian(nm, 630.0, 6.0);
    return value;
}

double raman(double nm)
{
    // Residual laser line after the edge filter, the polystyrene bands and a
    // weak fluorescence background.
    double value = line(nm, kLaserWavelength);
    for (const RamanBand& band : polystyreneBands()) {
        const double centre = ramanBandWavelength(band.shift);
        const double widthNm = centre * centre / 1e7 * band.width;
        value += 0.32 * band.height * line(nm, centre, widthNm);
    }
    if (nm > kLaserWavelength + 2.0) value += 0.02 * gaussian(nm, 600.0, 60.0);
    return value;
}

}  // namespace

std::optional<Scene> parseScene(std::string_view name)
{
    if (name == "lamp") return Scene::Lamp;
    if (name == "led") return Scene::Led;
    if (name == "fluorescent") return Scene::Fluorescent;
    if (name == "raman") return Scene::Raman;
    if (name == "sample") return Scene::Sample;
    if (name == "flat") return Scene::Flat;
    return std::nullopt;
}

const char* sceneName(Scene scene)
{
    switch (scene) {
    case Scene::Lamp: return "lamp";
    case Scene::Led: return "led";
    case Scene::Fluorescent: return "fluorescent";
    case Scene::Raman: return "raman";
    case Scene::Sample: return "sample";
    case Scene::Flat: return "flat";
    }
    return "lamp";
}

double ramanBandWavelength(double shift, double laser)
{
    return 1e7 / (1e7 / laser - shift);
}

const std::array<RamanBand, 10>& polystyreneBands()
{
    static const std::array<RamanBand, 10> bands{{
        {620.9, 0.15, 6.0},
        {1001.4, 1.00, 4.0},
        {1031.8, 0.28, 6.0},
        {1155.3, 0.14, 8.0},
        {1450.5, 0.12, 10.0},
        {1583.1, 0.10, 8.0},
        {1602.3, 0.30, 7.0},
        {2852.4, 0.10, 12.0},
        {2904.5, 0.30, 15.0},
        {3054.3, 0.60, 10.0},
    }};
    return bands;
}

double sampleTransmission(double nm)
{
    struct Band {
        double centre, depth, sigma;
    };
    static constexpr Band bands[] = {
        {420.0, 0.50, 12.0}, {515.0, 0.85, 18.0}, {590.0, 0.35, 10.0}, {680.0, 0.60, 22.0}};
    double absorbed = 0.0;
    for (const Band& band : bands) absorbed += band.depth * gaussian(nm, band.centre, band.sigma);
    if (absorbed > 0.98) absorbed = 0.98;
    return 0.92 * (1.0 - absorbed);
}

double sceneRadiance(Scene scene, double nm)
{
    switch (scene) {
    case Scene::Lamp: return lamp(nm);
    case Scene::Led: return led(nm);
    case Scene::Fluorescent: return fluorescent(nm);
    case Scene::Raman: return raman(nm);
    case Scene::Sample: return lamp(nm) * sampleTransmission(nm);
    case Scene::Flat: return 1.0;
    }
    return 0.0;
}

}  // namespace vantrel::virt
