// Constant tables of the colour rendition figures (generated source, see
// tools/generate_colour_tables.py): the 1 nm grid 380..780 nm, index
// k = wavelength - 380.
#pragma once

#include <array>

#include "colour/ColourTables.h"

namespace halden {

inline constexpr int kRenditionFirstNm = 380;
inline constexpr int kRenditionLastNm = 780;
inline constexpr int kRenditionPoints = kRenditionLastNm - kRenditionFirstNm + 1;  // 401
inline constexpr int kEvaluationSamples = 99;

struct DaylightRow {
    double s0, s1, s2;
};

// CIE 1964 10 degree observer (x10, y10, z10).
extern const std::array<ObserverRow, kRenditionPoints> Observer10Table;

// CIE daylight components S0, S1, S2: the 5 nm values, linear between.
extern const std::array<DaylightRow, kRenditionPoints> DaylightTable;

// Spectral radiance factors of the colour evaluation samples CES01..CES99,
// EvaluationSampleTable[k][i] for wavelength 380 + k and sample i + 1.
extern const std::array<std::array<double, kEvaluationSamples>, kRenditionPoints> EvaluationSampleTable;

}  // namespace halden
