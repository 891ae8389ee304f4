// The paint sequence's steps that write the store, run once right before the
// chart is drawn: size and margins, the BoxCar edit, the colorimetry of the
// chromaticity view, the live curves, a pending background capture, the
// Gaussian curve copy, auto Y and the maximum-intensity marker. Drawing
// afterwards only reads the store and the figures returned here.
#pragma once

#include "colour/Radiometry.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

// The computed figures the overlays show.
struct PaintFigures {
    bool markerIrradianceShown = false;  // the device is irradiance-calibrated
    double markerIrradiance = 0;         // uW/cm^2/nm at the marker
    bool concentrationShown = false;     // ABS mode with the concentration on
    double concentration = 0;
    bool chromaticityShown = false;      // the colorimetry below is fresh
    double lumen = 0;                    // lumen figure of the shown spectrum
    EnergyFigures energy;                // shown only when energy.shown
};

// Client size and margins: updates m_clientWidth / m_clientHeight and the
// four margins when the size differs from the stored one.
void updateClientSize(SpectrumStore& store, int clientWidth, int clientHeight);

// Copies the shown acquisition buffer into the live curves (curve 0, or one
// curve per scan without averaging). Pool and slot bounds are kept.
void refreshLiveCurves(SpectrumStore& store);

// Copies a new Gaussian fit into its red stored curve; true when copied.
bool refreshGaussianCurve(SpectrumStore& store);

// The index of the largest y of curve 0 inside [m_xMin, m_xMax] (first
// maximum), or the current marker index when no point lies inside.
int maxIntensityIndex(const SpectrumStore& store);

// Every store-writing step of one paint, in the paint's order.
PaintFigures preparePaint(SpectrumStore& store, int clientWidth, int clientHeight);

}  // namespace halden
