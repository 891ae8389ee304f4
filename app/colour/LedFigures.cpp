#include "colour/LedFigures.h"

#include "colour/CFormat.h"
#include "colour/LightTables.h"

namespace halden {
namespace {

// Where the value falls below half going from the peak in direction step
// (-1 or +1), interpolated; false when it does not before the spectrum ends.
bool halfCrossing(const double* wavelength, const double* value, int last, int peak, int step, double& nm) {
    const double half = value[peak] / 2;
    int i = peak;
    while (i + step >= 0 && i + step <= last && value[i + step] >= half) i += step;
    const int j = i + step;
    if (j < 0 || j > last) return false;
    nm = wavelength[i] + (wavelength[j] - wavelength[i]) * (value[i] - half) / (value[i] - value[j]);
    return true;
}

}  // namespace

PeakFigures peakFigures(const double* wavelength, const double* value, int last) {
    PeakFigures out;
    int peak = 0;
    for (int i = 1; i <= last; ++i)
        if (value[i] > value[peak]) peak = i;
    if (!(value[peak] > 0)) {
        out.peakWavelength = out.fwhm = Figure::none("the spectrum has no light (no value above 0)");
        return out;
    }
    out.peakWavelength = Figure::of(wavelength[peak]);
    double low = 0, high = 0;
    if (!halfCrossing(wavelength, value, last, peak, -1, low) || !halfCrossing(wavelength, value, last, peak, 1, high))
        out.fwhm = Figure::none(cformat("the peak at %.1f nm does not fall to half its height within the spectrum",
                                        wavelength[peak]));
    else
        out.fwhm = Figure::of(high - low);
    return out;
}

Figure centroidWavelength(const double* grid) {
    double weighted = 0, sum = 0;
    for (int k = 0; k < kLightPoints; ++k) {
        weighted += (kLightFirstNm + k) * grid[k];
        sum += grid[k];
    }
    if (!(sum > 0)) return Figure::none("the spectrum has no light between 380 and 780 nm");
    return Figure::of(weighted / sum);
}

}  // namespace halden
