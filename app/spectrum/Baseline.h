// "Baseline correction": estimates a slowly varying baseline by repeated
// moving-average smoothing (after the first pass every point where the smooth
// rises above the measured signal falls back to the first-pass smooth) and
// subtracts it from the live spectrum in place.
#pragma once

#include <cstdint>
#include <string>

#include "spectrum/SpectrumStore.h"

namespace halden {

inline constexpr int kFirstPassHalfWidth = 3;  // the first pass is always a 7-point mean

// Corrects y[0..n] in place (points 1..n are used; point 0 becomes point 1).
// An odd window is made even (w + 1), half-width h = w / 2; pass 1 smooths
// with half-width 3, later passes with h. Half-widths that do not fit the
// spectrum (2h + 1 > n) are reduced to (n - 1) / 2; negative windows and
// iteration counts act as 0. n < 1 leaves y unchanged.
void estimateBaseline(double* y, int n, std::int64_t window, std::int64_t iterations);

// The half-width a window gives (after the even rule), before fitting it to
// the spectrum.
std::int64_t baselineHalfWidth(std::int64_t window);

// "Baseline correction dialog" (template 152).
inline constexpr const char* kBaselineDialogTitle = "Baseline correction dialog";

struct BaselineDialog {
    std::string windowText;      // edit 1047 "Window size", "%d"
    std::string iterationsText;  // edit 1001 "Iterations", "%d"
    bool fromLoaded = false;     // 1048 "From loaded spectra" (shown, not used)
    bool fromCollected = true;   // 1049 "From collected spectra"
};

// The dialog as it opens, from m_baselineWindow and m_baselineIterations.
BaselineDialog openBaselineDialog(const SpectrumStore& store);

// The two check boxes behave as a pair: clicking one checks it and clears the other.
void clickFromLoaded(BaselineDialog& dialog);
void clickFromCollected(BaselineDialog& dialog);

struct BaselineEffects {
    bool corrected = false;   // the live spectrum was changed
    bool yAutoscale = true;   // always, after Process and after Cancel
};

// "Process" (processed true) stores both numbers (parsed, truncated) and
// corrects row 0 of the live buffer over 0..m_lastPoint - m_firstPoint.
// Cancel changes nothing. Both ask for y autoscale.
BaselineEffects runBaselineCorrection(SpectrumStore& store, const BaselineDialog& dialog, bool processed);

}  // namespace halden
