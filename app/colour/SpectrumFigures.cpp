#include "colour/SpectrumFigures.h"

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

}  // namespace halden
