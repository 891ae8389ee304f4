// Test-side sources and the CIE observer read straight from the data file,
// so that expectations do not come from the tables under test.
#pragma once

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace halden::test {

struct ObserverCsv {
    std::vector<double> nm, x, y, z;
};

inline ObserverCsv readObserverCsv() {
    ObserverCsv o;
    std::ifstream in(std::string(HALDEN_DATA_DIR) + "/cie1931_2deg_1nm.csv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line[0] == 'w') continue;
        std::istringstream s(line);
        double v[4];
        char comma;
        s >> v[0] >> comma >> v[1] >> comma >> v[2] >> comma >> v[3];
        o.nm.push_back(v[0]);
        o.x.push_back(v[1]);
        o.y.push_back(v[2]);
        o.z.push_back(v[3]);
    }
    return o;
}

// CIE F2 (cool white fluorescent), 380..780 nm at 5 nm.
inline const std::vector<double> kF2 = {
    1.18,  1.48,  1.84,  2.15,  3.44,  15.69, 3.85,  3.74,  4.19,  4.62,  5.06,  34.98, 11.81, 6.27,
    6.63,  6.93,  7.19,  7.40,  7.54,  7.62,  7.65,  7.62,  7.62,  7.45,  7.28,  7.15,  7.05,  7.04,
    7.16,  7.47,  8.04,  8.88,  10.01, 24.88, 16.64, 14.59, 16.16, 17.56, 18.62, 21.47, 22.79, 19.29,
    18.66, 17.73, 16.54, 15.21, 13.80, 12.36, 10.95, 9.65,  8.40,  7.32,  6.31,  5.43,  4.68,  4.02,
    3.45,  2.96,  2.55,  2.19,  1.89,  1.64,  1.53,  1.27,  1.10,  0.99,  0.88,  0.76,  0.68,  0.61,
    0.56,  0.54,  0.51,  0.47,  0.47,  0.43,  0.46,  0.47,  0.40,  0.33,  0.27};

// Planck's law (relative), wavelength in nm, physical second radiation constant.
inline double planck(double nm, double kelvin, double c2 = 1.438776877e7) {
    return std::pow(nm, -5) / std::expm1(c2 / (nm * kelvin)) * 1e15;
}

struct Spectrum {
    std::vector<double> wavelength, intensity;
    int last() const { return static_cast<int>(wavelength.size()) - 1; }
};

inline Spectrum blackBodySpectrum(double kelvin, double from = 340, double to = 1000, double step = 0.2) {
    Spectrum s;
    for (double nm = from; nm <= to + 1e-9; nm += step) {
        s.wavelength.push_back(nm);
        s.intensity.push_back(planck(nm, kelvin));
    }
    return s;
}

// CIE 1960 (u, v) of a black body from 1 nm sums of the observer data.
inline void blackBodyUv(const ObserverCsv& o, double kelvin, double& u, double& v) {
    double X = 0, Y = 0, Z = 0;
    for (std::size_t k = 0; k < o.nm.size(); ++k) {
        const double p = planck(o.nm[k], kelvin);
        X += p * o.x[k];
        Y += p * o.y[k];
        Z += p * o.z[k];
    }
    const double d = X + 15 * Y + 3 * Z;
    u = 4 * X / d;
    v = 6 * Y / d;
}

}  // namespace halden::test
