// The wavelength axis of the spectrum points: the default polynomial, the
// orientation of a loaded table, the constant shift ("Calibration, shift"),
// the Raman-shift and wavelength axes of curve 0 ("x-scale in 1/cm",
// "x-scale in nm") and the fixed "400 to 700nm" view. Plastic calibration
// lives in PlasticCalibration.h.
#pragma once

#include <string_view>

#include "spectrum/SpectrumStore.h"

namespace halden {

// What an axis or calibration command asks of its caller (the window or the
// session): redraw, run the chart's autoscale commands, stop timers, start
// the flash write.
struct AxisEffects {
    bool repaint = false;
    bool xAutoscale = false;               // run "x autoscale"
    bool yAutoscale = false;               // run "y autoscale" (after x)
    bool acquisitionStopped = false;       // Run was unchecked and m_running cleared
    bool stopSaveTimer = false;            // periodic saving was on: kill timer 1
    bool writeCalibrationToFlash = false;  // run "Save current calibration to FLASH memory"
};

inline constexpr double kRamanScale = 10000000.0;  // nm -> 1/cm

// Truncation toward zero to 0.01 (two decimals).
double truncToHundredths(double value);

// A + B i + C i^2, truncated to 0.01 nm.
double polynomialWavelength(double a, double b, double c, int i);

// Fills m_wavelength[0..3652] from m_coefA/B/C: reversed (and m_increasing = 0)
// when B <= 0, so point 0 always holds the shortest wavelength.
void fillPolynomialAxis(SpectrumStore& store);

// After a wavelength table was loaded: when m_wavelength[1] <= m_wavelength[0]
// the three tables are reversed over 0..m_lastIndex and m_increasing = 0,
// else m_increasing = 1. Returns true when the tables were reversed.
bool orientLoadedCalibration(SpectrumStore& store);

// Shows the whole wavelength axis: m_xMin = m_wavelength[0], m_xMax =
// m_wavelength[m_lastIndex].
void showFullXRange(SpectrumStore& store);

// The x range after a load: the whole axis (showFullXRange);
// for a Raman instrument (header byte 0 'R') auto Y is switched on and the
// Raman-shift axis applied.
AxisEffects applyLoadedCalibrationRange(SpectrumStore& store);

// (1 / laser - 1 / wavelength) x 10,000,000 in 1/cm. A non-positive laser or
// wavelength (no calibration, pixel axis) gives 0 instead of an infinity.
double ramanShift(double laserNm, double wavelengthNm);

// "Calibration shift" dialog (template 142).
inline constexpr const char* kShiftDialogTitle = "Calibration shift";
inline constexpr const char* kShiftDialogText =
    "Shift wavelengths scale to longer or shorter wavelength \n (use negative number for shift "
    "towards shorter wavelength, positive  - for shift towards longer wavelength) ";
inline constexpr const char* kShiftApplyButton = "Apply shift";
inline constexpr const char* kShiftCancelButton = "Cancel";
inline constexpr const char* kShiftPreset = "0";  // edit 1010 when the dialog opens

// The dialog's outcome: applied (the user pressed "Apply shift") adds the
// parsed shift in nm to m_wavelength[0..m_lastIndex]; both outcomes ask for
// x autoscale. Text that does not parse reads as 0.
AxisEffects applyCalibrationShift(SpectrumStore& store, std::string_view shiftText, bool applied);

// "x-scale in 1/cm": curve 0's x values become the Raman shifts of its points,
// m_wavenumberAxis = 1, and the x range the measured Raman shifts (0, or
// the smallest positive shift, to the largest), then y autoscale. An axis
// without positive shifts asks for x autoscale instead.
AxisEffects showRamanShiftAxis(SpectrumStore& store);

// "x-scale in nm": curve 0's x values become m_wavelength, m_wavenumberAxis = 0,
// x then y autoscale.
AxisEffects showWavelengthAxis(SpectrumStore& store);

// "400 to 700nm": x range 390..710 nm, y range unchanged, repaint.
AxisEffects showVisibleRange(SpectrumStore& store);

// The highest point index of curve 0 that also indexes m_wavelength (0..4095),
// or -1 when the table holds no curve 0.
int curveZeroLast(const SpectrumStore& store);

// m_lastIndex held to the per-point arrays (0..4095).
int boundedLastIndex(const SpectrumStore& store);

}  // namespace halden
