#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "spectrum/ChartCommands.h"

namespace halden {
namespace {

using test::appendCurve;
using test::storeWithCurve0;

TEST(ChartCommands, AutoscalesCoverEveryCurve) {
    auto s = storeWithCurve0({400, 500, 600}, {10, 20, 30});
    appendCurve(*s, {350, 650}, {0, 1000}, 200, 300, 400);
    EXPECT_TRUE(xAutoscale(*s).repaint);
    EXPECT_DOUBLE_EQ(s->m_xMin, 350);
    EXPECT_DOUBLE_EQ(s->m_xMax, 650);

    s->m_xMin = 390;
    s->m_xMax = 610;  // curve 1's points lie outside
    yAutoscale(*s);
    EXPECT_DOUBLE_EQ(s->m_yMin, 10 - 20 * 0.015);
    EXPECT_DOUBLE_EQ(s->m_yMax, 30 + 20 * 0.015);

    xyAutoscale(*s);
    EXPECT_DOUBLE_EQ(s->m_yMin, -15);
    EXPECT_DOUBLE_EQ(s->m_yMax, 1015);
}

TEST(ChartCommands, FlatAutoscaleWidensByOne) {
    auto s = storeWithCurve0({400, 500}, {7, 7});
    s->m_xMin = 0;
    s->m_xMax = 1000;
    yAutoscale(*s);
    EXPECT_DOUBLE_EQ(s->m_yMin, 6);
    EXPECT_DOUBLE_EQ(s->m_yMax, 8);
}

TEST(ChartCommands, UncheckingAutoYScalesOnceMore) {
    auto s = storeWithCurve0({400, 500}, {1, 3});
    s->m_xMin = 0;
    s->m_xMax = 1000;
    setAutoY(*s, true);
    s->m_yMin = -1;
    s->m_yMax = -1;
    setAutoY(*s, false);
    EXPECT_FALSE(s->m_autoY);
    EXPECT_DOUBLE_EQ(s->m_yMin, 1 - 0.03);
    EXPECT_DOUBLE_EQ(s->m_yMax, 3 + 0.03);
}

TEST(ChartCommands, DiagramScaleStaysUsable) {
    auto s = storeWithCurve0({400, 500}, {1, 3});
    EXPECT_FALSE(diagramPlus(*s).repaint);  // view off: no change
    EXPECT_DOUBLE_EQ(s->m_diagramScale, 3.5);
    setChromaticityView(*s, true);
    for (int i = 0; i < 40; ++i) diagramPlus(*s);
    EXPECT_DOUBLE_EQ(s->m_diagramScale, kMinDiagramScale);
    diagramMinus(*s);
    EXPECT_DOUBLE_EQ(s->m_diagramScale, 0.5);
}

TEST(ChartCommands, XYScaleDialogFieldsAndReadBack) {
    auto s = storeWithCurve0({400, 500}, {1, 3});
    s->m_xMin = 400.123;
    s->m_xMax = 700;
    s->m_backgroundState = BackgroundState::Subtracted;
    s->m_subtractBackground = true;
    s->m_chartBar.subtractChecked = true;
    s->m_running = s->m_chartBar.runChecked = true;
    beginXYScale(*s);
    EXPECT_FALSE(s->m_running);

    XYScaleFields f = xyScaleFromStore(*s);
    EXPECT_EQ(f.minLabel, "min: 210.43 nm");
    EXPECT_EQ(f.maxLabel, "max: 949.65 nm");
    EXPECT_EQ(f.xMin, "400.12");
    EXPECT_EQ(f.yMax, "64000.00");

    // OK without edits changes nothing, not even the unrounded minimum.
    EXPECT_FALSE(applyXYScale(*s, f).repaint);
    EXPECT_DOUBLE_EQ(s->m_xMin, 400.123);
    EXPECT_EQ(s->m_backgroundState, BackgroundState::Subtracted);

    f.yMax = "100";
    EXPECT_TRUE(applyXYScale(*s, f).repaint);
    EXPECT_DOUBLE_EQ(s->m_yMax, 100);
    EXPECT_EQ(s->m_backgroundState, BackgroundState::Subtracted);  // only y changed

    f = xyScaleFromStore(*s);
    f.xMax = "650abc";  // read leniently
    applyXYScale(*s, f);
    EXPECT_DOUBLE_EQ(s->m_xMax, 650);
    EXPECT_EQ(s->m_backgroundState, BackgroundState::None);
    EXPECT_FALSE(s->m_subtractBackground);
    EXPECT_FALSE(s->m_chartBar.subtractChecked);

    f = xyScaleFromStore(*s);
    f.xMin = "nan";
    f.xMax = "junk";
    applyXYScale(*s, f);
    EXPECT_DOUBLE_EQ(s->m_xMin, 0);
    EXPECT_DOUBLE_EQ(s->m_xMax, 0);
}

}  // namespace
}  // namespace halden
