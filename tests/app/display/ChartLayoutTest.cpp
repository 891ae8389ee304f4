#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <limits>
#include <vector>

#include "DisplayTestSupport.h"
#include "display/ChartDrawing.h"
#include "display/ViewRendering.h"

namespace halden {
namespace {

using test::appendCurve;
using test::storeWithCurve0;

TEST(ChartGeometry, PlotRectangleAndTruncatedMapping) {
    const ChartGeometry g = ChartGeometry::of(1000, 700, 14, 400, 700, 0, 100);
    EXPECT_DOUBLE_EQ(g.left, 75);
    EXPECT_DOUBLE_EQ(g.right, 975);
    EXPECT_DOUBLE_EQ(g.top, 17.5);
    EXPECT_DOUBLE_EQ(g.bottom, 672);
    EXPECT_EQ(g.xPixel(400), 75);
    EXPECT_EQ(g.xPixel(550), 525);
    // y: B - (H*0.975 - 2u) * (y - ymin) / span = 672 - 654.5 * 0.5 = 344.75.
    EXPECT_EQ(g.yPixel(50), 344);
    EXPECT_EQ(g.xPixel(1e300), 1000000);
    EXPECT_EQ(g.yPixel(std::numeric_limits<double>::quiet_NaN()), 0);
    // Equal limits map to the edge instead of dividing by zero.
    EXPECT_EQ(ChartGeometry::of(1000, 700, 14, 5, 5, 0, 1).xPixel(5), 75);
}

// The chart maps whole curves at once; each pixel must be the one xPixel and
// yPixel give, in the vector lanes and the tail alike, on awkward values too.
TEST(ChartGeometry, CurveMappingMatchesPointMapping) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {400, 400.0000001, 549.9999999, 550, 700, -1e300, 1e300, nan, inf, -inf, 0, -0.0};
    for (int i = 0; i < 41; ++i) values.push_back(380 + i * 8.125);  // a tail that is not a multiple of four
    const int n = static_cast<int>(values.size());
    const ChartGeometry geometries[] = {
        ChartGeometry::of(1000, 700, 14, 400, 700, 0, 100),   //
        ChartGeometry::of(1280, 800, 14, 700, 400, -5, 1e-3),  // falling x range
        ChartGeometry::of(1000, 700, 14, 5, 5, 0, 1),          // equal x limits
        ChartGeometry::of(333, 217, 9, -inf, inf, nan, 1),     // non-finite spans
    };
    for (const ChartGeometry& g : geometries) {
        std::vector<int> X(n), Y(n);
        g.pixelsOf(values.data(), values.data(), n, X.data(), Y.data());
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(X[i], g.xPixel(values[i])) << "value " << values[i];
            EXPECT_EQ(Y[i], g.yPixel(values[i])) << "value " << values[i];
        }
    }
}

TEST(ChartLayout, AutomaticYOnAFlatSpectrumWidensByATenth) {
    auto s = storeWithCurve0({400, 500, 600}, {5, 5, 5});
    ChartParams p = chartParamsFromStore(*s, QSize(1000, 700));
    p.xMin = p.xMax = p.yMin = p.yMax = -1.0;
    const ChartLayout l = describeChart(p);
    EXPECT_DOUBLE_EQ(l.geometry.xMin, 400);
    EXPECT_DOUBLE_EQ(l.geometry.xMax, 600);
    EXPECT_NEAR(l.geometry.yMin, 4.9, 1e-12);
    EXPECT_NEAR(l.geometry.yMax, 5.1, 1e-12);
}

TEST(ChartLayout, EqualYLimitsAreWidenedByOne) {
    auto s = storeWithCurve0({400, 500}, {1, 2});
    ChartParams p = chartParamsFromStore(*s, QSize(1000, 700));
    p.yMin = p.yMax = 3;
    const ChartLayout l = describeChart(p);
    EXPECT_DOUBLE_EQ(l.geometry.yMin, 2);
    EXPECT_DOUBLE_EQ(l.geometry.yMax, 4);
}

TEST(ChartLayout, TickPixelsAndLabelPlaces) {
    auto s = storeWithCurve0({390, 710}, {0, 100});
    s->m_xMin = 390;
    s->m_xMax = 710;
    s->m_yMin = 0;
    s->m_yMax = 100;
    ChartParams p = chartParamsFromStore(*s, QSize(1000, 700));
    p.xTitle.clear();  // the rules' own rectangle
    p.yTitle.clear();
    ChartLayout l = describeChart(p);
    ASSERT_EQ(l.xTicks.size(), 7u);
    EXPECT_EQ(l.xTicks[0].pixel, static_cast<int>(75 + 900 * 10 / 320.0));  // 103
    EXPECT_EQ(l.xTicks[0].labelX, l.xTicks[0].pixel - 14);                  // len 3 * u / 3
    EXPECT_EQ(l.xTicks[0].labelY, 679);                                     // H - 1.5u
    ASSERT_FALSE(l.yTicks.empty());
    EXPECT_EQ(l.yTicks[0].label, "0");
    EXPECT_EQ(l.yTicks[0].pixel, 672);
    EXPECT_EQ(l.yTicks[0].labelX, static_cast<int>(75 - 0.5 * 14 - 14));
    EXPECT_FALSE(l.xTitle);

    // With the titles the x labels move up over the x title's band, and the
    // titles sit under the x labels and left of the y labels.
    l = describeChart(chartParamsFromStore(*s, QSize(1000, 700)));
    ASSERT_TRUE(l.xTitle && l.yTitle);
    EXPECT_EQ(l.xTitle->text, "Wavelength (nm)");
    EXPECT_EQ(l.yTitle->text, "Counts");
    const int band = truncPixel(l.geometry.bottomBand);
    EXPECT_EQ(l.yTicks[0].pixel, 672 - band);
    EXPECT_EQ(l.xTicks[0].labelY, 679 - band);
    EXPECT_GE(l.xTitle->box.top(), l.xTicks[0].box.bottom());
    EXPECT_LE(l.xTitle->box.bottom(), 699);
    EXPECT_TRUE(l.yTitle->upright);
    for (const ChartTick& t : l.yTicks) EXPECT_GT(t.box.left(), l.yTitle->box.right()) << t.label;
}

// The y labels always fit left of the plot: a narrow chart moves its left
// edge instead of cutting "64000" to "000".
TEST(ChartLayout, WideYLabelsMoveThePlotRightInsteadOfBeingCut) {
    auto s = storeWithCurve0({400, 500, 600}, {0, 32000, 64000});
    s->m_xMin = 400;
    s->m_xMax = 600;
    s->m_yMin = 0;
    s->m_yMax = 64000;
    for (int width : {300, 400, 800}) {
        const ChartLayout l = describeChart(chartParamsFromStore(*s, QSize(width, 500)));
        ASSERT_FALSE(l.yTicks.empty());
        EXPECT_GE(l.geometry.left, 0.075 * width);
        for (const ChartTick& t : l.yTicks) {
            EXPECT_GE(t.box.left(), 0) << width << " " << t.label;
            EXPECT_LT(t.box.right(), truncPixel(l.geometry.left)) << width << " " << t.label;
        }
    }
    // Where the labels fit, the rule's left edge stays.
    const ChartLayout wide = describeChart(chartParamsFromStore(*s, QSize(1600, 500)));
    EXPECT_DOUBLE_EQ(wide.geometry.left, 120);
}

TEST(ChartLayout, MarkerOnlyOnCurveZero) {
    auto s = storeWithCurve0({400, 500, 600}, {1, 2, 3});
    appendCurve(*s, {400, 500}, {9, 9}, 200, 300, 400);
    s->m_markerIndex = 1;
    ChartLayout l = describeChart(chartParamsFromStore(*s, QSize(800, 600)));
    ASSERT_TRUE(l.marker);
    EXPECT_DOUBLE_EQ(l.marker->x, 500);
    EXPECT_DOUBLE_EQ(l.marker->y, 2);
    s->m_markerIndex = 3;  // the first point of curve 1, not of curve 0
    EXPECT_FALSE(describeChart(chartParamsFromStore(*s, QSize(800, 600))).marker);
    s->m_markerIndex = -5;
    EXPECT_FALSE(describeChart(chartParamsFromStore(*s, QSize(800, 600))).marker);
}

TEST(ChartLayout, CurveColoursUseTheLowEightBits) {
    const QColor c = curveColour(400, 500, 600);  // entry 3 of the loaded colours
    EXPECT_EQ(c, QColor(144, 244, 88));
    EXPECT_EQ(curveColour(200, 300, 400), QColor(200, 44, 144));
}

TEST(ChartLayout, ColourBarWavelengthColours) {
    EXPECT_FALSE(wavelengthColour(399.9));
    EXPECT_EQ(*wavelengthColour(400), QColor(0, 0, 255));
    EXPECT_EQ(*wavelengthColour(447.5), QColor(0, 127, 255));
    EXPECT_EQ(*wavelengthColour(500), QColor(0, 255, 127));
    EXPECT_EQ(*wavelengthColour(600), QColor(255, 85, 0));
    EXPECT_EQ(*wavelengthColour(699), QColor(255, 0, 0));
    EXPECT_FALSE(wavelengthColour(700));
}

TEST(ChartLayout, DamagedTableIsReadOnlyWithinThePool) {
    auto s = storeWithCurve0({400, 500}, {1, 2});
    s->m_storedLength[1] = kStoredPoolSize;  // would run past the pool
    s->m_storedLength[2] = -1;
    const ChartParams p = chartParamsFromStore(*s, QSize(800, 600));
    EXPECT_EQ(p.curves.size(), 1u);
    for (int k = 0; k < kStoredSlots; ++k) s->m_storedLength[k] = 0;  // no end marker at all
    EXPECT_EQ(chartParamsFromStore(*s, QSize(800, 600)).curves.size(), static_cast<std::size_t>(kStoredSlots));
}

TEST(ChartLayout, BadValuesDrawWithoutTicksOrCrash) {
    test::ensureGuiApplication();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto s = storeWithCurve0({400, nan, 500, 600, inf}, {1, nan, 1e300, -inf, 3});
    s->m_xMin = s->m_xMax = s->m_yMin = s->m_yMax = -1.0;
    const ChartLayout l = describeChart(chartParamsFromStore(*s, QSize(800, 600)));
    EXPECT_TRUE(std::isfinite(l.geometry.yMin) && std::isfinite(l.geometry.yMax));
    QImage image(800, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    for (double lo : {nan, 1e300, 700.0}) {
        s->m_xMin = lo;
        s->m_xMax = 600;
        renderView(painter, image.size(), *s, PaintFigures{}, ViewInteraction{});
    }
}

}  // namespace
}  // namespace halden
