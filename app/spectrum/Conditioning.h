// Turning one raw detector frame into one spectrum row: dark-level
// correction, pixel order, sensitivity, boxcar smoothing, the half-resolution
// (Fast) spectrum, background, ratio modes and logarithm. Runs on the
// acquisition worker once per frame with parameters handed to it as a value,
// so it reads nothing the user-interface thread may be changing, and it
// allocates nothing: every temporary lives in a ConditionScratch the caller
// owns.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "spectrum/StoreSizes.h"

namespace halden {

inline constexpr int kDarkWeightCount = 3686;  // pixels 0..3685

using PointArray = std::array<double, kPointCapacity>;
// A per-point array shared read-only between the threads: whoever holds one
// may read it, nobody writes it once it is shared.
using SharedPoints = std::shared_ptr<const PointArray>;

// Everything conditionSpectrum reads, as it was when the acquisition was
// asked for. The arrays are null when the settings do not use them.
struct ConditioningParams {
    std::uint16_t sensorFirst = 33, sensorLast = 3685;  // active pixel window
    std::uint16_t rangeFirst = 0, rangeLast = 3652;     // point range conditioned
    bool increasing = false;  // point 0 is the first pixel of the window
    bool applyNorm = true;    // dark correction and sensitivity
    bool testMode = false;    // raw pixels in place, no dark correction
    bool fast = false;        // half resolution: point i is detector point 2i
    std::uint8_t boxcar = 0;  // smoothing half-width, 0 = off
    bool subtractBackground = false;
    std::int32_t ratioMode = 0;  // 0 off, 1 R(%), 2 T(%), 3 ABS
    bool logScale = false;
    SharedPoints sensitivity;  // used with applyNorm
    SharedPoints background;   // used with subtractBackground
    SharedPoints reference;    // used in the ratio modes
};

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
    int lastPoint = -1;  // highest point index written, -1 when none
};

// Conditions one buffer row in place. row holds a raw frame as doubles
// (element j = pixel j) and has room for kPointCapacity elements; on return
// points 0..N hold the spectrum, N = rangeLast - rangeFirst, or N / 2 in
// Fast mode, where point i is point 2i of the full-resolution spectrum
// (smoothed first when boxcar is on), so it keeps the wavelength and the
// calibration of that detector point. The background and the reference are
// then indexed like the row (captured from Fast rows in Fast mode).
// Points whose detector pixel would fall outside 0..3685 read as 0, and the
// point range is limited to the 4096-element arrays. A missing array reads
// as "not in use".
void conditionSpectrum(const ConditioningParams& params, const DarkWeights& weights,
                       ConditionScratch& scratch, double* row);

// The highest point index conditionSpectrum writes with these parameters.
int conditionedLastPoint(const ConditioningParams& params);

// Moving average over y[first..last] with half-width halfWidth; the window is
// cut at both ends, every mean is taken from the unsmoothed input. Half-widths
// above 255 are treated as 255 (the store's boxcar is at most 50).
void boxcarSmooth(double* y, int first, int last, int halfWidth);

}  // namespace halden
