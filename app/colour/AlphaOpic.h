// The alpha-opic quantities of CIE S 026/E:2018 for the five photoreceptors.
#pragma once

#include <array>
#include <string>

#include "colour/LightFigures.h"

namespace halden {

// From the 401 values of the 1 nm grid 380..780. wattsPerUnit: W/m2/nm of
// one unit of value; 0 leaves the absolute figures (irradiance, EDI) out
// with absoluteReason. The ratios need no scale:
//   E_alpha = sum(E s_alpha) 1 nm (mW/m2), E_v = 683.002 lm/W sum(E V) 1 nm,
//   ELR = E_alpha / E_v, DER = ELR / K, EDI = E_alpha / K.
std::array<AlphaOpicFigures, kReceptors> alphaOpicFigures(const double* grid, double wattsPerUnit,
                                                          const std::string& absoluteReason);

}  // namespace halden
