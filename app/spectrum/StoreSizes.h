// The fixed sizes of the spectrum store and of everything that travels with
// its spectra (acquisition requests and results, conditioning).
#pragma once

namespace halden {

inline constexpr int kFramePixels = 3694;        // raw detector frame
inline constexpr int kSpectrumPoints = 3653;     // points 0..3652
inline constexpr int kPointCapacity = 4096;      // every per-point array
inline constexpr int kBufferRows = 64;           // rows of an acquisition buffer
inline constexpr int kBufferSize = kBufferRows * kPointCapacity;
inline constexpr int kStoredPoolSize = 1000000;  // stored-curve point pool
inline constexpr int kStoredSlots = 100;         // 99 curves + end marker
inline constexpr int kGaussCapacity = 4000;
// Highest point index of the half-resolution (Fast) live curve.
inline constexpr int kFastCurveLast = 1825;

}  // namespace halden
