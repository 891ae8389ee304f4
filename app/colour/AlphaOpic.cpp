#include "colour/AlphaOpic.h"

#include "colour/ColourTables.h"
#include "colour/FigureConstants.h"
#include "colour/LightTables.h"

namespace halden {

namespace {
}

std::array<AlphaOpicFigures, kReceptors> alphaOpicFigures(const double* grid, double wattsPerUnit,
                                                          const std::string& absoluteReason) {
    double sums[kReceptors] = {};
    double luminous = 0;
    for (int k = 0; k < kLightPoints; ++k) {
        const AlphaOpicRow& row = AlphaOpicTable[k];
        for (int r = 0; r < kReceptors; ++r) sums[r] += grid[k] * row.s[r];
        luminous += grid[k] * ObserverTable[kLightFirstNm - kGridFirstNm + k].y;
    }
    const double illuminance = kLumensPerWatt * luminous;  // lx per unit scale
    std::array<AlphaOpicFigures, kReceptors> out;
    for (int r = 0; r < kReceptors; ++r) {
        const double milliwatts = 1000 * sums[r];  // mW/m2 per unit scale
        AlphaOpicFigures& f = out[r];
        if (illuminance > 0) {
            f.elr = Figure::of(milliwatts / illuminance);
            f.der = Figure::of(milliwatts / illuminance / kDaylightEfficacy[r]);
        } else {
            f.elr = f.der = Figure::none("the spectrum has no luminous light (E_v is 0)");
        }
        if (wattsPerUnit > 0) {
            f.irradiance = Figure::of(milliwatts * wattsPerUnit);
            f.edi = Figure::of(milliwatts * wattsPerUnit / kDaylightEfficacy[r]);
        } else {
            f.irradiance = f.edi = Figure::none(absoluteReason);
        }
    }
    return out;
}

}  // namespace halden
