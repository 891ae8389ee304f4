#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "colour/RenditionTables.h"

namespace halden {
namespace {

// Numeric rows of a data file (comment lines skipped), columns as read.
std::vector<std::vector<double>> readRows(const std::string& name) {
    std::ifstream in(std::string(HALDEN_DATA_DIR) + "/" + name);
    std::vector<std::vector<double>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream s(line);
        std::vector<double> row;
        double v;
        while (s >> v) row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

TEST(RenditionTables, TenDegreeObserverAsPublished) {
    const auto rows = readRows("cie1964_10deg_1nm.csv");
    ASSERT_EQ(rows.size(), 471u);
    for (int k = 0; k < kRenditionPoints; ++k) {
        const auto& r = rows[k + 20];
        ASSERT_EQ(r[0], 380 + k);
        EXPECT_EQ(Observer10Table[k].x, r[1]) << r[0];
        EXPECT_EQ(Observer10Table[k].y, r[2]) << r[0];
        EXPECT_EQ(Observer10Table[k].z, r[3]) << r[0];
    }
    EXPECT_EQ(Observer10Table[0].x, 0.000159952);
    EXPECT_EQ(Observer10Table[180].y, 0.99734);  // 560 nm
    EXPECT_EQ(Observer10Table[180].z, 0.0);
    EXPECT_EQ(Observer10Table[170].x, 0.529826);  // 550 nm
}

TEST(RenditionTables, DaylightComponentsFiveNanometreValuesAndLinearBetween) {
    const auto rows = readRows("cie_daylight_s012_5nm.csv");
    ASSERT_EQ(rows.size(), 107u);
    int checked = 0;
    for (const auto& r : rows) {
        if (r[0] < 380 || r[0] > 780) continue;
        const int k = static_cast<int>(r[0]) - 380;
        EXPECT_EQ(DaylightTable[k].s0, r[1]) << r[0];
        EXPECT_EQ(DaylightTable[k].s1, r[2]) << r[0];
        EXPECT_EQ(DaylightTable[k].s2, r[3]) << r[0];
        ++checked;
    }
    EXPECT_EQ(checked, 81);
    EXPECT_EQ(DaylightTable[180].s0, 100.0);  // 560 nm
    EXPECT_NEAR(DaylightTable[1].s0, 63.64, 1e-12);
    EXPECT_NEAR(DaylightTable[1].s1, 38.15, 1e-12);
    EXPECT_NEAR(DaylightTable[1].s2, 2.82, 1e-12);
    // Between the 5 nm values the components run straight.
    for (int k = 0; k + 5 < kRenditionPoints; k += 5)
        for (int i = 1; i < 5; ++i) {
            const double f = i / 5.0;
            EXPECT_NEAR(DaylightTable[k + i].s0, DaylightTable[k].s0 + f * (DaylightTable[k + 5].s0 - DaylightTable[k].s0),
                        1e-12);
            EXPECT_NEAR(DaylightTable[k + i].s2, DaylightTable[k].s2 + f * (DaylightTable[k + 5].s2 - DaylightTable[k].s2),
                        1e-12);
        }
}

TEST(RenditionTables, EvaluationSamplesAsPublished) {
    const auto rows = readRows("cie2017_ces99_1nm.csv");
    ASSERT_EQ(rows.size(), 401u);
    for (int k = 0; k < kRenditionPoints; ++k) {
        ASSERT_EQ(rows[k].size(), 100u);
        ASSERT_EQ(rows[k][0], 380 + k);
        for (int i = 0; i < kEvaluationSamples; ++i) EXPECT_EQ(EvaluationSampleTable[k][i], rows[k][i + 1]);
    }
    EXPECT_EQ(EvaluationSampleTable[0][0], 0.6359);
    EXPECT_EQ(EvaluationSampleTable[0][2], 0.00001);
    EXPECT_EQ(EvaluationSampleTable[1][2], 0.000759472);
    EXPECT_EQ(EvaluationSampleTable[400][0], 0.8926);
    EXPECT_EQ(EvaluationSampleTable[400][1], 0.7746);
    for (const auto& row : EvaluationSampleTable)
        for (double beta : row) {
            EXPECT_GE(beta, 0);
            EXPECT_LE(beta, 1.0);
        }
}

}  // namespace
}  // namespace halden
