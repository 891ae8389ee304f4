// Horticultural photon flux densities from spectral irradiance.
#pragma once

#include <string>

#include "colour/LightFigures.h"

namespace halden {

// From points 0..last (rising wavelengths), each band the integral of the
// linear interpolant of E(lambda) lambda / (h c N_A) over the band, in
// umol m^-2 s^-1. wattsPerUnit: W/m2/nm of one unit of value; 0 leaves the
// fluxes out with absoluteReason (the red:far-red ratio needs no scale). A
// band the spectrum does not cover (points at most 5 nm apart) is left out.
PhotonFluxFigures photonFluxFigures(const double* wavelength, const double* value, int last, double wattsPerUnit,
                                    const std::string& absoluteReason);

}  // namespace halden
