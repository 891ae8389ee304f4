// The light figures of one spectrum beyond CCT and CRI: CIE 1976 u', v',
// dominant wavelength and purity, the LED figures, the alpha-opic quantities
// of CIE S 026, the NIST colour quality scale (9.0), the Academy's spectral
// similarity index and the horticultural photon fluxes. Plain data in and
// out: the caller hands over the spectrum as it is shown (wavelengths in nm,
// values with every correction applied) and, for the absolute figures, what
// one unit of value is in W/m2/nm.
#pragma once

#include <array>
#include <string>

#include "colour/ColorimetryResult.h"

namespace halden {

// One figure, or why it was left out.
struct Figure {
    double value = 0;
    std::string reason;  // empty: value holds the figure

    bool ok() const { return reason.empty(); }
    static Figure of(double v);  // a non-finite v becomes a refusal
    static Figure none(std::string why) { return {0, std::move(why)}; }
};

// What one unit of uW/cm^2/nm is in W/m2/nm.
inline constexpr double kWattsPerSquareMetrePerMicrowattPerSquareCm = 0.01;

// The receptors of CIE S 026 in table order, with their JSON names, their
// names for people and the standard's daylight (D65) efficacy K in mW/lm.
inline constexpr int kReceptors = 5;
inline constexpr std::array<const char*, kReceptors> kReceptorKeys = {"s_cone", "m_cone", "l_cone", "rhodopic",
                                                                      "melanopic"};
inline constexpr std::array<const char*, kReceptors> kReceptorNames = {"S-cone", "M-cone", "L-cone", "Rhodopic",
                                                                       "Melanopic"};
inline constexpr std::array<double, kReceptors> kDaylightEfficacy = {0.8173, 1.4558, 1.6289, 1.4497, 1.3262};

struct AlphaOpicFigures {
    Figure irradiance;  // E_alpha, mW/m2 (absolute)
    Figure elr;         // E_alpha / E_v, mW/lm
    Figure der;         // ELR / K (D65 gives 1)
    Figure edi;         // E_alpha / K, lx (absolute)
};

inline constexpr int kQualitySampleCount = 15;

// NIST CQS 9.0: Qa, Qf, Qp, Qg and the 15 samples' scores (valid with Qa).
struct QualityScaleFigures {
    Figure Qa, Qf, Qp, Qg;
    std::array<double, kQualitySampleCount> Qi{};
    double cct = 0;  // kelvin, of the reference
};

// Photon flux densities in umol m^-2 s^-1 (absolute) and the red:far-red
// ratio PFD(655-665) / PFD(725-735).
struct PhotonFluxFigures {
    Figure ppfd;    // 400-700 nm
    Figure eppfd;   // 400-750 nm
    Figure uvA;     // 315-400 nm
    Figure blue;    // 400-500 nm
    Figure green;   // 500-600 nm
    Figure red;     // 600-700 nm
    Figure farRed;  // 700-750 nm
    Figure redFarRed;
};

struct LightFigures {
    // The colorimetric figures (x, y, z, u, v, Tc, DC, DeltaEi, Ri, Ra, Re)
    // of the chromaticity view, valid when colourError is empty.
    ColorimetryResult colorimetry{};
    std::string colourError;
    // Why DC, DeltaEi, Ri, Ra and Re are left out while x .. Tc are valid
    // (no correlated colour temperature), or empty.
    std::string renderingError;

    Figure uPrime, vPrime;          // CIE 1976: u' = u, v' = 1.5 v
    Figure dominantWavelength;      // nm; complementary for a purple source
    bool complementary = false;
    Figure purity;                  // excitation purity against equal-energy white
    Figure peakWavelength;          // nm, the highest point
    Figure centroidWavelength;      // nm, sum(lambda S) / sum(S) over 380-780
    Figure fwhm;                    // nm, of the highest peak
    std::array<AlphaOpicFigures, kReceptors> alphaOpic;
    QualityScaleFigures cqs;
    Figure ssi3200K, ssiD55, ssiMatched;  // whole numbers, as the index is defined
    PhotonFluxFigures photonFlux;

    // True when at least one figure could be computed.
    bool anyComputed() const;
};

// Every figure above from points 0..last. The points are taken in rising
// wavelength order (see orderByWavelength: a spectrum that does not rise is
// sorted, repeated wavelengths averaged); the inputs are not modified.
// wattsPerUnit: W/m2/nm of one unit of value, 0 when the values are
// relative (the absolute figures are then left out).
LightFigures computeLightFigures(const double* wavelength, const double* value, int last, double wattsPerUnit);

// The power of two that brings the largest magnitude of value[0..last] into
// [1, 2), 1 when every value is 0 or one is not finite. Dividing by it
// changes no ratio's bits, and keeps the sums of huge values finite.
double valueScale(const double* value, int last);

// Why a rising spectrum cannot give the colour figures: fewer than two
// points, or not covering 380-780 nm with points at most 5 nm apart; empty
// when it can.
std::string colourCoverageError(const double* wavelength, int last);

}  // namespace halden
