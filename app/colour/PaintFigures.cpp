#include "colour/PaintFigures.h"

#include "colour/Colorimetry.h"
#include "spectrum/MeasurementModes.h"

namespace halden {

PaintFigures computePaintFigures(const SpectrumStore& s) {
    PaintFigures figures;
    if (s.m_chromaticityView) {
        figures.colorimetry = storeColorimetry(s);
        figures.lumen = lumenFigure(s);
        figures.chromaticityShown = true;
    }
    if (s.m_irradianceCalibrated) {
        figures.markerIrradianceShown = true;
        figures.markerIrradiance = markerIrradiance(s);
    }
    if (s.m_ratioMode == 3 && s.m_showConcentration) {
        figures.concentrationShown = true;
        figures.concentration = concentrationValue(s);
    }
    figures.energy = energyFigures(s);
    return figures;
}

}  // namespace halden
