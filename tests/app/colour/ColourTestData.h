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
