// Constant tables of the light figures (generated source, see
// tools/generate_colour_tables.py): the 1 nm grid 380..780 nm, index
// k = wavelength - 380, and daylight components from 375 nm.
#pragma once

#include <array>

#include "colour/RenditionTables.h"

namespace halden {

inline constexpr int kLightFirstNm = 380;
inline constexpr int kLightLastNm = 780;
inline constexpr int kLightPoints = kLightLastNm - kLightFirstNm + 1;  // 401
inline constexpr int kAlphaOpicReceptors = 5;
inline constexpr int kQualitySamples = 15;
inline constexpr int kLightDaylightFirstNm = 375;
inline constexpr int kLightDaylightPoints = kLightLastNm - kLightDaylightFirstNm + 1;  // 406

// CIE S 026 action spectra, in the order S-cone, M-cone, L-cone, rhodopic,
// melanopic.
struct AlphaOpicRow {
    double s[kAlphaOpicReceptors];
};
extern const std::array<AlphaOpicRow, kLightPoints> AlphaOpicTable;

// Spectral reflectance of the NIST colour quality scale (9.0) samples
// VS1..VS15, QualitySampleTable[k][i] for wavelength 380 + k and sample i + 1.
extern const std::array<std::array<double, kQualitySamples>, kLightPoints> QualitySampleTable;

// CIE daylight components S0, S1, S2: the 5 nm values, linear between;
// LightDaylightTable[k] for wavelength 375 + k.
extern const std::array<DaylightRow, kLightDaylightPoints> LightDaylightTable;

}  // namespace halden
