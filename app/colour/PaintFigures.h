// The figures the chart's overlays show, computed from the shown spectrum
// when it or a setting they depend on changes (a result published, a
// command, the marker moved), never inside a paint: the paint reads them.
#pragma once

#include "colour/ColorimetryResult.h"
#include "colour/Radiometry.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

struct PaintFigures {
    bool markerIrradianceShown = false;  // the device is irradiance-calibrated
    double markerIrradiance = 0;         // uW/cm^2/nm at the marker
    bool concentrationShown = false;     // ABS mode with the concentration on
    double concentration = 0;
    bool chromaticityShown = false;      // the chromaticity view is on: colorimetry below
    ColorimetryResult colorimetry{};
    double lumen = 0;                    // lumen figure of the shown spectrum
    EnergyFigures energy;                // shown only when energy.shown
};

// Every figure of the overlays for the store as it is.
PaintFigures computePaintFigures(const SpectrumStore& store);

}  // namespace halden
