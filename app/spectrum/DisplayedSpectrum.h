// The spectrum the chart shows, as plain data for the figures computed from
// it: row 0 of the displayed buffer times the irradiance correction, with
// its wavelengths (in Fast mode point i stands for detector pixel 2i), and
// what one unit of it is in W/m2/nm when the instrument is
// irradiance-calibrated.
#pragma once

#include <string>
#include <vector>

namespace halden {

struct SpectrumStore;

struct DisplayedSpectrum {
    std::vector<double> wavelength;  // nm, as the calibration gives them
    std::vector<double> value;       // counts x correction
    double wattsPerUnit = 0;         // W/m2/nm per unit of value; 0 when not irradiance-calibrated
};

DisplayedSpectrum displayedSpectrum(const SpectrumStore& store);

// An acquired row's points 0..points-1 as irradiance in uW/cm^2/nm, in
// place: each value times the irradiance factor of its detector point (2i
// in Fast mode), as displayed, divided by the exposure scale the row was
// acquired with.
void rowIrradiance(double* values, int points, bool fast, const double* irradianceCal, double exposureScaled);

// The acquisition settings in one line, e.g. "exposure 10.000 ms, 3 scans
// averaged, irradiance-calibrated".
std::string acquisitionSettingsText(const SpectrumStore& store);

}  // namespace halden
