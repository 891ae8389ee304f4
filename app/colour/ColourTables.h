// Constant colour tables built into the program (generated source, see
// tools/generate_colour_tables.py). The 1 nm grid 360..830 nm, index
// k = wavelength - 360, is the grid of every colorimetric sum.
#pragma once

#include <array>

namespace halden {

inline constexpr int kGridFirstNm = 360;
inline constexpr int kGridPoints = 471;  // 360..830 nm
inline constexpr int kTestSamples = 14;
inline constexpr int kIsoTemperatureRows = 601;
inline constexpr int kPhotonWeightFirstNm = 390;
inline constexpr int kPhotonWeightRows = 331;  // 390..720 nm

struct ObserverRow {
    double x, y, z;  // xbar, ybar, zbar
};

struct IsoTemperatureRow {
    double T, u, v, t;  // kelvin, CIE 1960 (u, v) of the Planckian locus, slope of the isotemperature line
};

// CIE 1931 2 degree observer, 6 decimals; ybar at 829 and 830 nm is 0.
extern const std::array<ObserverRow, kGridPoints> ObserverTable;

// Spectral radiance factors of the CIE test colour samples TCS01..TCS14,
// TestSampleTable[k][i] for wavelength 360 + k and sample i + 1.
extern const std::array<std::array<double, kTestSamples>, kGridPoints> TestSampleTable;

// Robertson's isotemperature lines, one row per mired from 1e8 K (row 0)
// and 1e6 K (row 1) down to 1666.666667 K (row 600).
extern const std::array<IsoTemperatureRow, kIsoTemperatureRows> IsoTemperatureTable;

// Photon weight F(lambda) of the irradiance file's "umol/m2" column,
// PhotonWeightTable[L - 390] for L = 390..720 nm.
extern const std::array<double, kPhotonWeightRows> PhotonWeightTable;

}  // namespace halden
