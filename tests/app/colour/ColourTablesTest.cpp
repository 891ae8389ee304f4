#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "ColourTestData.h"
#include "colour/ColourTables.h"
#include "colour/LuminousEfficiencyTable.h"

namespace halden {
namespace {

// A value as the documentation prints it: seven decimals.
double round7(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.7f", v);
    return std::strtod(b, nullptr);
}

TEST(ObserverTable, HoldsTheCieDataWithYbarZeroAtTheRedEnd) {
    const auto csv = test::readObserverCsv();
    ASSERT_EQ(csv.nm.size(), 471u);
    for (int k = 0; k < kGridPoints; ++k) {
        EXPECT_EQ(csv.nm[k], 360 + k);
        EXPECT_EQ(ObserverTable[k].x, csv.x[k]) << k;
        EXPECT_EQ(ObserverTable[k].z, csv.z[k]) << k;
        if (k < 469) {
            EXPECT_EQ(ObserverTable[k].y, csv.y[k]) << k;
        }
    }
    EXPECT_EQ(ObserverTable[469].y, 0.0);
    EXPECT_EQ(ObserverTable[470].y, 0.0);
    EXPECT_EQ(ObserverTable[195].y, 1.0);  // 555 nm
}

TEST(TestSampleTable, MatchesTheFiveNanometreDataAndTheSplineBetween) {
    std::ifstream in(std::string(HALDEN_DATA_DIR) + "/cie_tcs01-14_5nm.csv");
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line[0] == 'w') continue;
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream s(line);
        double nm;
        s >> nm;
        const int k = static_cast<int>(nm) - 360;
        for (int i = 0; i < kTestSamples; ++i) {
            double v;
            s >> v;
            EXPECT_EQ(TestSampleTable[k][i], v) << nm << " TCS" << i + 1;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 95);
    EXPECT_EQ(round7(TestSampleTable[0][0]), 0.116);
    EXPECT_EQ(round7(TestSampleTable[1][0]), 0.1201934);
    EXPECT_EQ(round7(TestSampleTable[2][0]), 0.1242179);
    EXPECT_EQ(round7(TestSampleTable[5][0]), 0.136);
    EXPECT_EQ(round7(TestSampleTable[295][13]), 0.084);
    EXPECT_EQ(round7(TestSampleTable[296][13]), 0.08413);
    EXPECT_EQ(round7(TestSampleTable[297][13]), 0.0843107);
    EXPECT_EQ(round7(TestSampleTable[300][13]), 0.085);
    // Nine decimals, no more.
    for (int k = 0; k < kGridPoints; ++k)
        for (int i = 0; i < kTestSamples; ++i) {
            const double scaled = TestSampleTable[k][i] * 1e9;
            EXPECT_NEAR(scaled, std::round(scaled), 1e-4);
        }
}

TEST(IsoTemperatureTable, TellingRows) {
    struct Row {
        int m;
        double T, u, v, t;
    };
    const Row rows[] = {
        {0, 100000000, 0.180064901, 0.263523499, -0.243421273},
        {1, 1000000, 0.18012011, 0.263749835, -0.244434823},
        {100, 10000, 0.190318505, 0.293264156, -0.478870493},
        {200, 5000, 0.211423556, 0.323114936, -1.018170451},
        {300, 3333.333333, 0.24009514, 0.343075935, -2.063587895},
        {500, 2000, 0.305045686, 0.359065555, -11.32253312},
        {600, 1666.666667, 0.337236014, 0.360513184, -116.3768969},
    };
    for (const Row& r : rows) {
        const IsoTemperatureRow& t = IsoTemperatureTable[r.m];
        EXPECT_EQ(t.T, r.T) << r.m;
        EXPECT_EQ(t.u, r.u) << r.m;
        EXPECT_EQ(t.v, r.v) << r.m;
        EXPECT_EQ(t.t, r.t) << r.m;
    }
}

// Every row against its rule, recomputed here from the observer data: T one
// per mired, (u, v) of the Planckian radiator, t the normal's slope (by a
// central difference in T).
TEST(IsoTemperatureTable, FollowsItsRule) {
    test::ObserverCsv obs = test::readObserverCsv();
    obs.y[469] = obs.y[470] = 0;
    const double c2 = 1.4387752e7;
    auto uv = [&](double T, double& u, double& v) {
        double X = 0, Y = 0, Z = 0;
        for (int k = 0; k < 471; ++k) {
            const double p = test::planck(360 + k, T, c2);
            X += p * obs.x[k];
            Y += p * obs.y[k];
            Z += p * obs.z[k];
        }
        const double d = X + 15 * Y + 3 * Z;
        u = 4 * X / d;
        v = 6 * Y / d;
    };
    for (int m = 0; m < kIsoTemperatureRows; m += 7) {
        const IsoTemperatureRow& row = IsoTemperatureTable[m];
        const double T = m == 0 ? 1e8 : 1e6 / m;
        EXPECT_NEAR(row.T / T, 1, 1e-9) << m;
        double u, v;
        uv(row.T, u, v);
        EXPECT_NEAR(row.u, u, 1e-8) << m;
        EXPECT_NEAR(row.v, v, 1e-8) << m;
        const double h = row.T * 1e-4;
        double u1, v1, u2, v2;
        uv(row.T - h, u1, v1);
        uv(row.T + h, u2, v2);
        EXPECT_NEAR(row.t / (-(u2 - u1) / (v2 - v1)), 1, 2e-6) << m;
        if (m > 0) {
            EXPECT_LT(row.T, IsoTemperatureTable[m - 1].T);
        }
    }
}

TEST(LuminousEfficiencyTable, TellingRowsAndPeak) {
    const std::pair<int, double> rows[] = {
        {390, 0.000412756}, {400, 0.0024477}, {450, 0.0665381}, {500, 0.355216}, {550, 0.991604},
        {555, 0.999867},    {556, 0.999906},  {557, 0.999158},  {600, 0.668792}, {650, 0.112327},
        {700, 0.00393762},  {750, 0.000103683}, {780, 1.3981e-05}, {800, 3.962e-06}, {830, 6.64e-07}};
    for (const auto& [nm, v] : rows) EXPECT_EQ(kLuminousEfficiencyTable[nm - 390], v) << nm;
    const auto peak = std::max_element(kLuminousEfficiencyTable.begin(), kLuminousEfficiencyTable.end());
    EXPECT_EQ(peak - kLuminousEfficiencyTable.begin() + 390, 556);
    // Rising to the peak, falling after it.
    for (int nm = 391; nm <= 556; ++nm)
        EXPECT_GT(kLuminousEfficiencyTable[nm - 390], kLuminousEfficiencyTable[nm - 391]) << nm;
    for (int nm = 557; nm <= 830; ++nm)
        EXPECT_LT(kLuminousEfficiencyTable[nm - 390], kLuminousEfficiencyTable[nm - 391]) << nm;
}

TEST(PhotonWeightTable, TellingRowsTwoMaximaAndTrough) {
    const double tens[] = {0.978043627, 1.671869448, 2.570499276, 3.30027029,  3.594519313, 3.604550529,
                           3.573620945, 3.576128749, 3.575292814, 3.530988274, 3.317824919, 2.925771534,
                           2.430062242, 1.912618648, 1.683572534, 1.670197578, 1.839056393, 2.05974316,
                           2.287117405, 2.521179127, 2.761928328, 3.009365006, 3.263489162, 3.524300796,
                           3.791799908, 4.065986497, 4.346860564, 4.579250417, 4.592625373, 4.320110653,
                           3.749167237, 2.925771534, 2.017946423, 1.083371402};
    for (int i = 0; i < 34; ++i) EXPECT_EQ(PhotonWeightTable[i * 10], tens[i]) << 390 + 10 * i;
    const auto top = std::max_element(PhotonWeightTable.begin(), PhotonWeightTable.end());
    EXPECT_EQ(top - PhotonWeightTable.begin() + 390, 666);
    EXPECT_EQ(*top, 4.620374117);
    const auto blueTop = std::max_element(PhotonWeightTable.begin(), PhotonWeightTable.begin() + 100);
    EXPECT_EQ(blueTop - PhotonWeightTable.begin() + 390, 440);
    const auto trough = std::min_element(PhotonWeightTable.begin() + 50, PhotonWeightTable.begin() + 276);
    const int troughNm = static_cast<int>(trough - PhotonWeightTable.begin()) + 390;
    EXPECT_GE(troughNm, 530);
    EXPECT_LE(troughNm, 550);
    for (double f : PhotonWeightTable) EXPECT_GT(f, 0);
}

}  // namespace
}  // namespace halden
