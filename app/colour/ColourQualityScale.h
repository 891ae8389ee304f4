// The NIST colour quality scale, version 9.0 (Davis and Ohno): 15 Munsell
// samples under the source and under a reference of the same correlated
// colour temperature, CMCCAT2000 adaptation, CIELAB differences with the
// saturation factor, root-mean-square averages and the 0-100 scaling.
#pragma once

#include "colour/LightFigures.h"

namespace halden {

// From the 401 values of the 1 nm grid 380..780 (CIE 1931 2 degree observer).
// The reference is a Planckian radiator below 5000 K and CIE daylight from
// 5000 K at the source's CCT (nearest point of the Planckian locus).
//   dE'_i = sqrt(dE_i^2 - min(dC_i, 10)^2) where the sample gains chroma
//   (dC_i > 0), else dE_i; Q = 10 ln(exp((100 - f d)/10) + 1):
//   Qa: d = rms dE', f = 3.2;  Qi: d = dE'_i, f = 3.2;
//   Qf: d = rms dE, f = 2.93 x 1.0343;
//   Qp: d = rms dE' - mean(max(min(dC_i, 10), 0)), f = 3.88;
//   Qg = 100 x gamut area of the samples' (a*, b*) under the source over
//   that under CIE D65.
// The CCT factor of version 9.0 is 1 at every temperature.
QualityScaleFigures colourQualityScale(const double* grid);

}  // namespace halden
