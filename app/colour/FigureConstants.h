// Constants shared by the colour and light figures.
#pragma once

namespace halden {

// Maximum luminous efficacy Km of photopic vision, lm/W.
inline constexpr double kLumensPerWatt = 683.002;

// The widest step between neighbouring points a figure integrates across:
// a wider gap leaves the band uncovered and the figure is not given.
inline constexpr double kMaxGapNm = 5.0;

}  // namespace halden
