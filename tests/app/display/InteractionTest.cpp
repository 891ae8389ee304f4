#include <gtest/gtest.h>

#include "DisplayTestSupport.h"
#include "spectrum/LiveView.h"
#include "display/ViewInteraction.h"

namespace halden {
namespace {

// A 1000 x 700 client: margins 75, 25, 25, 28; plot 900 x 647.
std::unique_ptr<SpectrumStore> viewStore() {
    auto s = test::storeWithCurve0({400, 450, 500, 550, 600, 650, 700}, {1, 2, 3, 4, 3, 2, 1});
    updateClientSize(*s, 1000, 700);
    s->m_xMin = 400;
    s->m_xMax = 700;
    s->m_yMin = 0;
    s->m_yMax = 10;
    return s;
}

TEST(Interaction, PlotPointsAreClampedToThePlot) {
    auto s = viewStore();
    EXPECT_EQ(s->m_marginLeft, 75);
    EXPECT_EQ(s->m_marginTop, 25);
    EXPECT_EQ(s->m_marginBottom, 28);
    const PlotPoint p = plotPoint(*s, 100, 50);
    EXPECT_EQ(p.x, 25);
    EXPECT_EQ(p.y, 25);
    const PlotPoint outside = plotPoint(*s, -40, 5000);
    EXPECT_EQ(outside.x, 0);
    EXPECT_EQ(outside.y, 647);
}

TEST(Interaction, SmallRectangleDoesNotZoom) {
    auto s = viewStore();
    ViewInteraction v;
    beginZoom(*s, v, 300, 100);
    EXPECT_TRUE(v.zoomDragging);
    EXPECT_TRUE(moveZoom(*s, v, 308, 300));
    EXPECT_FALSE(releaseZoom(*s, v, 308, 300));  // 8 x 200
    EXPECT_FALSE(v.zoomDragging);
    EXPECT_DOUBLE_EQ(s->m_xMin, 400);
    EXPECT_DOUBLE_EQ(s->m_xMax, 700);
    EXPECT_DOUBLE_EQ(s->m_yMax, 10);
}

TEST(Interaction, ZoomRectangleBecomesTheNewRanges) {
    auto s = viewStore();
    ViewInteraction v;
    // Dragged right-to-left and bottom-to-top: plot x 525 .. 75, y 347 .. 47.
    beginZoom(*s, v, 600, 372);
    EXPECT_TRUE(releaseZoom(*s, v, 150, 72));
    EXPECT_DOUBLE_EQ(s->m_xMin, 400 + 300.0 * 75 / 900);
    EXPECT_DOUBLE_EQ(s->m_xMax, 400 + 300.0 * 525 / 900);
    EXPECT_DOUBLE_EQ(s->m_yMax, 10.0 * (647 - 47) / 647);
    EXPECT_DOUBLE_EQ(s->m_yMin, 10.0 * (647 - 347) / 647);
    EXPECT_FALSE(releaseZoom(*s, v, 150, 72));  // not dragging any more
}

TEST(Interaction, RightClickMovesTheMarkerOnlyInsideThePlot) {
    auto s = viewStore();
    s->m_markerIndex = 2;
    ViewInteraction v;
    markerPress(*s, v, 50, 300);  // left of the plot
    EXPECT_FALSE(v.markerClick);
    EXPECT_FALSE(markerRelease(*s, v, 50, 300));
    EXPECT_EQ(s->m_markerIndex, 2);
    EXPECT_EQ(s->m_markerPixel, 500);

    // x = 75 + 900 * (640 - 400) / 300 = 795: nearest point 650 nm.
    markerPress(*s, v, 795, 300);
    EXPECT_TRUE(markerRelease(*s, v, 795, 300));
    EXPECT_EQ(s->m_markerIndex, 5);
    EXPECT_DOUBLE_EQ(s->m_markerX, 650);
    EXPECT_EQ(s->m_markerPixel, 795);

    // Pressed inside, released outside: nothing.
    markerPress(*s, v, 300, 300);
    EXPECT_FALSE(markerRelease(*s, v, 300, 690));
    EXPECT_EQ(s->m_markerIndex, 5);
    EXPECT_FALSE(v.markerClick);
}

TEST(Interaction, NearestPointTakesTheFirstOfATie) {
    auto s = viewStore();
    EXPECT_EQ(nearestCurve0Point(*s, 475), 1);
    EXPECT_EQ(nearestCurve0Point(*s, 1e9), -1);  // farther than 10000 from every point
}

TEST(Interaction, DoubleClickBelowOrLeftOpensTheScaleDialog) {
    auto s = viewStore();
    EXPECT_EQ(doubleClickTarget(*s, 500, 690), DoubleClickTarget::XYScaleDialog);
    EXPECT_EQ(doubleClickTarget(*s, 20, 300), DoubleClickTarget::XYScaleDialog);
    EXPECT_EQ(doubleClickTarget(*s, 500, 300), DoubleClickTarget::YAutoscale);
}

}  // namespace
}  // namespace halden
