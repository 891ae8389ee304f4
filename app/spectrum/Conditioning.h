// Turning one raw detector frame into one spectrum row: dark-level
// correction, pixel order, sensitivity, boxcar smoothing, background, ratio
// modes and logarithm. Runs on the acquisition worker once per frame, so it
// allocates nothing: every temporary lives in a ConditionScratch the caller
// owns.
#pragma once

#include <array>

#include "spectrum/SpectrumStore.h"

namespace halden {

inline constexpr int kDarkWeightCount = 3686;  // pixels 0..3685

// Weight of the left-to-right dark slope at each detector pixel:
// w(p) = 1 - 1 / (((p + 100) * 0.0022)^2 + 1).
struct DarkWeights {
    std::array<double, kDarkWeightCount> w{};
};

void fillDarkWeights(DarkWeights& weights);

// Preallocated temporaries of conditionSpectrum. After a call the dark
// levels and the pixel window it used are left here for inspection.
struct ConditionScratch {
    std::array<double, kPointCapacity> temp{};
    double left = 0;   // left dark level (0 without "Apply norm")
    double slope = 0;  // right dark level - left
    int start = 0;     // first detector pixel of the window
    int end = 0;       // last detector pixel of the window
    int lastPoint = -1;  // highest point index written (N), -1 when none
};

// Conditions one buffer row in place. row holds a raw frame as doubles
// (element j = pixel j) and has room for kPointCapacity elements; on return
// points 0..N (N = m_rangeLast - m_rangeFirst) hold the spectrum.
// Points whose detector pixel would fall outside 0..3685 read as 0, and the
// point range is limited to the 4096-element arrays.
void conditionSpectrum(const SpectrumStore& store, const DarkWeights& weights,
                       ConditionScratch& scratch, double* row);

// Moving average over y[first..last] with half-width halfWidth; the window is
// cut at both ends, every mean is taken from the unsmoothed input. Half-widths
// above 255 are treated as 255 (the store's boxcar is at most 50).
void boxcarSmooth(double* y, int first, int last, int halfWidth);

}  // namespace halden
