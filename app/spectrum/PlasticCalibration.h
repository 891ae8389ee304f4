// "Plastic calibration (Raman only)": a three-point quadratic wavelength
// calibration from the Raman spectrum of a polystyrene sample measured with
// the current calibration. The strongest point inside each band's window
// (curve 0's x values, 1/cm when that axis is shown) is taken as the band;
// the quadratic through the three (point index, expected wavelength) pairs
// rewrites m_wavelength.
#pragma once

#include <array>
#include <string>

#include "spectrum/SpectrumStore.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

class Prompt;

struct PlasticBand {
    double shift;  // Raman shift of the band, 1/cm
    double low;    // search window, inclusive, 1/cm
    double high;
};

using PlasticBandSet = std::array<PlasticBand, 3>;

inline constexpr PlasticBandSet kShortBandSet = {{
    {620.9, 521, 721}, {1001.4, 901, 1101}, {1602.3, 1502, 1702}}};
inline constexpr PlasticBandSet kLongBandSet = {{
    {620.9, 521, 721}, {1602.3, 1502, 1702}, {3054.3, 2954, 3154}}};
inline constexpr double kLongBandSetFrom = 3300;  // x of the last point, 1/cm

// The short set when the x value of the last point is below 3300, else the long set.
const PlasticBandSet& chooseBandSet(double lastX);

// The wavelength in nm at which a Raman band of the given shift appears:
// 10,000,000 / (10,000,000 / laser - shift).
double expectedBandWavelength(double laserNm, double shift);

// The strongest positive point inside each band's window; index -1 when a
// window holds no positive point. Ties keep the lowest index.
struct BandPeaks {
    std::array<int, 3> index{-1, -1, -1};
    std::array<double, 3> value{0, 0, 0};
};
BandPeaks findBandPeaks(const double* x, const double* y, int last, const PlasticBandSet& bands);

struct Quadratic {
    double a = 0, b = 0, c = 0;  // a + b x + c x^2
};

// The quadratic through three points with distinct x. Non-finite
// coefficients come back when two x coincide.
Quadratic fitQuadraticThroughThreePoints(const std::array<double, 3>& x, const std::array<double, 3>& y);

// Everything the calibration computes, before anything is changed.
struct PlasticFit {
    const PlasticBandSet* bands = nullptr;
    BandPeaks peaks;
    std::array<double, 3> expected{};  // nm
    Quadratic fit;
    std::string refusal;  // non-empty: the calibration cannot be made, and why
    bool ok() const { return refusal.empty(); }
};

// Searches curve 0's x values (m_storedX) against row 0 of the live buffer
// over 0..m_lastIndex and fits the quadratic. Changes nothing.
PlasticFit computePlasticCalibration(const SpectrumStore& store);

// m_wavelength[0..m_lastIndex] = the fit, truncated to 0.01 nm.
void writeFittedWavelengths(SpectrumStore& store, const Quadratic& fit);

struct PlasticCalibrationResult {
    bool applied = false;
    PlasticFit fit;
    AxisEffects effects;
};

// The command: refuses with a message (caption "Error") and changes nothing
// when a band is not found; otherwise stops acquisition (and periodic
// saving), rewrites the wavelength table, shows the Raman-shift axis and asks
// the caller to write the calibration to the instrument's flash.
PlasticCalibrationResult plasticCalibration(SpectrumStore& store, Prompt& prompt);

}  // namespace halden
