#include "colour/ReferenceIlluminants.h"

#include <cmath>

#include "colour/LightTables.h"

namespace halden {

void planckianOnGrid(double kelvin, int firstNm, int points, double* out) {
    for (int k = 0; k < points; ++k) {
        const double nm = firstNm + k;
        const double r = 1 / nm, r2 = r * r;  // nm^-5 by products: pow would be half the cost
        out[k] = r2 * r2 * r / std::expm1(kReferenceRadiationC2 / (nm * kelvin));
    }
}

void daylightOnGrid(double kelvin, bool tabulated, int firstNm, int points, double* out) {
    const double t1 = 1 / kelvin, t2 = t1 * t1, t3 = t2 * t1;
    const double xD = kelvin <= 7000 ? -4.6070e9 * t3 + 2.9678e6 * t2 + 0.09911e3 * t1 + 0.244063
                                     : -2.0064e9 * t3 + 1.9018e6 * t2 + 0.24748e3 * t1 + 0.237040;
    const double yD = -3.000 * xD * xD + 2.870 * xD - 0.275;
    const double M = 0.0241 + 0.2562 * xD - 0.7341 * yD;
    double M1 = (-1.3515 - 1.7703 * xD + 5.9114 * yD) / M;
    double M2 = (0.0300 - 31.4424 * xD + 30.0717 * yD) / M;
    if (tabulated) {
        M1 = std::round(M1 * 1000) / 1000;
        M2 = std::round(M2 * 1000) / 1000;
    }
    for (int k = 0; k < points; ++k) {
        const DaylightRow& d = LightDaylightTable[firstNm + k - kLightDaylightFirstNm];
        out[k] = d.s0 + M1 * d.s1 + M2 * d.s2;
    }
}

void matchedReferenceOnGrid(double kelvin, int firstNm, int points, double* out) {
    if (kelvin < 5000)
        planckianOnGrid(kelvin, firstNm, points, out);
    else
        daylightOnGrid(kelvin, false, firstNm, points, out);
}

}  // namespace halden
