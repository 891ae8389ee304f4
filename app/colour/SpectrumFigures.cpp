#include "colour/SpectrumFigures.h"

#include "colour/LuminousEfficiencyTable.h"
#include "colour/Radiometry.h"

namespace halden {

SpectrumFigures computeSpectrumFigures(std::vector<double> wavelength, std::vector<double> value, double wattsPerUnit) {
    SpectrumFigures f;
    f.order = orderByWavelength(wavelength, value);
    f.wavelength = std::move(wavelength);
    f.value = std::move(value);
    const int last = static_cast<int>(f.wavelength.size()) - 1;
    f.light = computeLightFigures(f.wavelength.data(), f.value.data(), last, wattsPerUnit);
    // Scaled by a power of two: the same figures, and no sum of huge values overflows.
    std::vector<double> scaled = f.value;
    const double scale = valueScale(f.value.data(), last);
    for (double& v : scaled) v /= scale;
    f.rendition = computeColourRendition(scaled.data(), f.wavelength.data(), last);
    return f;
}

Figure spectrumLumen(const SpectrumFigures& f) {
    if (!f.light.anyComputed()) return Figure::none(f.light.colourError);
    const int last = static_cast<int>(f.wavelength.size()) - 1;
    const std::vector<double> unitCorrection(f.wavelength.size(), 1.0);
    return Figure::of(luminousFlux(f.value.data(), f.wavelength.data(), unitCorrection.data(), last, 1, 1.0,
                                   kLuminousEfficiencyTable.data()));
}

const FigureUnit* figureUnit(std::string_view name) {
    for (const FigureUnit& u : kFigureUnits)
        if (name == u.name) return &u;
    return nullptr;
}

}  // namespace halden
