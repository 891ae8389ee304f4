#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "spectrum/CThreadGauss.h"
#include "spectrum/StoredCurves.h"

namespace halden {
namespace {

class StoredCurvesTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<SpectrumStore>();
        for (int i = 0; i < 20; ++i) {
            store->m_storedX[i] = 100 + i;
            store->m_storedY[i] = 200 + i;
        }
    }
    std::unique_ptr<SpectrumStore> store;
};

TEST_F(StoredCurvesTest, CurvesFollowEachOtherInThePool) {
    SpectrumStore& s = *store;
    s.m_storedLength[0] = 4;   // points 0..4
    s.m_storedLength[1] = 0;   // point 5
    s.m_storedLength[2] = 6;   // points 6..12
    s.m_storedLength[3] = -1;
    setStoredCurveColour(s, 1, 255, 0, 0);
    setStoredCurveSlotColour(s, 2);
    s.m_storedVisible[0] = 0;

    const StoredCurves table(s);
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.markerSlot(), 3);
    EXPECT_EQ(table.endOffset(), 13);

    const StoredCurve c0 = table[0], c1 = table[1], c2 = table[2];
    EXPECT_EQ(c0.count(), 5);
    EXPECT_EQ(c0.x.front(), 100);
    EXPECT_EQ(c0.y.back(), 204);
    EXPECT_FALSE(c0.visible);
    EXPECT_EQ(c1.offset, 5);
    EXPECT_EQ(c1.last(), 0);
    EXPECT_EQ(c1.y[0], 205);
    EXPECT_TRUE(c1.visible);
    EXPECT_EQ((std::array{c1.red, c1.green, c1.blue}), (std::array{255, 0, 0}));
    EXPECT_EQ(c2.offset, 6);
    EXPECT_EQ(c2.x.back(), 112);
    EXPECT_EQ((std::array{c2.red, c2.green, c2.blue}), (std::array{300, 400, 500}));

    int slot = 0;
    for (const StoredCurve& c : table) EXPECT_EQ(c.slot, slot++);
    EXPECT_EQ(slot, 3);

    s.m_storedLength[0] = -1;  // the empty table
    EXPECT_TRUE(StoredCurves(s).empty());
    EXPECT_EQ(StoredCurves(s).markerSlot(), 0);
    EXPECT_EQ(storedCurve0(s).count(), 0);
    EXPECT_EQ(storedCurve0(s).last(), -1);
}

TEST_F(StoredCurvesTest, DamagedTablesAreReadOnlyAsFarAsTheyFitThePool) {
    SpectrumStore& s = *store;
    s.m_storedLength[0] = 2;
    s.m_storedLength[1] = -7;  // damaged: ends the table, but no marker
    StoredCurves table(s);
    EXPECT_EQ(table.size(), 1);
    EXPECT_EQ(table.markerSlot(), -1);
    EXPECT_EQ(table.endOffset(), 3);

    for (auto& n : s.m_storedLength) n = 1;  // no marker in any slot
    EXPECT_EQ(StoredCurves(s).size(), kStoredSlots);
    EXPECT_EQ(StoredCurves(s).markerSlot(), -1);

    // A curve running past the pool stops the reading; the curves after it
    // are not read either, though the lengths still count.
    s.m_storedLength[0] = 9;
    s.m_storedLength[1] = kStoredPoolSize;
    s.m_storedLength[2] = 0;
    s.m_storedLength[3] = -1;
    table = StoredCurves(s);
    EXPECT_EQ(table.size(), 1);
    EXPECT_EQ(table.markerSlot(), 3);
    EXPECT_EQ(table.endOffset(), 10LL + kStoredPoolSize + 1 + 1);

    s.m_storedLength[0] = kStoredPoolSize + 5;  // curve 0 alone is cut at the pool's end
    EXPECT_EQ(storedCurve0(s).count(), kStoredPoolSize);
    EXPECT_TRUE(StoredCurves(s).empty());
}

TEST_F(StoredCurvesTest, GaussianCurveIsNotAppendedToADamagedTable) {
    SpectrumStore& s = *store;
    s.m_storedLength[0] = 9;
    s.m_storedLength[1] = -20;  // would put the new curve before the pool
    s.m_storedLength[2] = -1;
    s.m_storedY[0] = 42;
    const GaussRequest r = prepareGaussianRequest(s);
    EXPECT_FALSE(r.curveAppended);
    EXPECT_EQ(s.m_storedLength[1], -20);
    EXPECT_EQ(s.m_storedLength[2], -1);
    EXPECT_EQ(s.m_storedY[0], 42);
}

// Removing a curve closes the gap: the curves after it keep their order,
// points, colours, names and flags; the live curves cannot be removed.
TEST_F(StoredCurvesTest, RemovingACurveKeepsTheOthersInOrder) {
    SpectrumStore& s = *store;
    s.m_storedLength[0] = 2;  // live: points 0..2
    s.m_storedLength[1] = 3;  // 3..6
    s.m_storedLength[2] = 1;  // 7..8
    s.m_storedLength[3] = 4;  // 9..13
    s.m_storedLength[4] = -1;
    for (int k = 1; k <= 3; ++k) {
        setStoredCurveSlotColour(s, k);
        nameStoredCurve(s, k, k == 2 ? CurveKind::Gaussian : CurveKind::File, "curve " + std::to_string(k));
    }
    setStoredCurveVisible(s, 3, false);
    s.m_gaussCleared = false;

    EXPECT_FALSE(removeStoredCurve(s, 0)) << "live";
    EXPECT_FALSE(removeStoredCurve(s, 4)) << "the end marker";
    ASSERT_TRUE(removeStoredCurve(s, 2));
    EXPECT_TRUE(s.m_gaussCleared);  // the fit's result goes with its curve
    const StoredCurves table(s);
    ASSERT_EQ(table.size(), 3);
    EXPECT_EQ(table.markerSlot(), 3);
    EXPECT_EQ(table[1].name, "curve 1");
    EXPECT_EQ(table[1].y.front(), 203);
    EXPECT_EQ(table[2].name, "curve 3");
    EXPECT_EQ(table[2].kind, CurveKind::File);
    EXPECT_FALSE(table[2].visible);
    EXPECT_EQ((std::array{table[2].red, table[2].green, table[2].blue}), (std::array{400, 500, 600}));
    EXPECT_EQ(table[2].offset, 7);
    EXPECT_EQ(table[2].y.front(), 209);  // its own points, moved up
    EXPECT_EQ(table[2].y.back(), 213);

    s.m_liveCurveCount = 2;  // scans shown as curves 0 and 1
    EXPECT_FALSE(removeStoredCurve(s, 1));
}

}  // namespace
}  // namespace halden
