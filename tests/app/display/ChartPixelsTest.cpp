// Pixel probes of rendered charts: where the rules fix a pixel exactly.
#include <gtest/gtest.h>

#include <QImage>

#include "DisplayTestSupport.h"
#include "display/ViewRendering.h"

namespace halden {
namespace {

using test::storeWithCurve0;

QImage render(const SpectrumStore& s, QSize size) {
    test::ensureGuiApplication();
    return renderViewImage(size, s, PaintFigures{}, ViewInteraction{});
}

// A horizontal line at y = 50 from x = 400 to 600, with ranges fixed.
std::unique_ptr<SpectrumStore> flatLineStore(std::vector<double> y) {
    std::vector<double> x;
    for (std::size_t i = 0; i < y.size(); ++i) x.push_back(400 + 200.0 * i / (y.size() - 1));
    auto s = storeWithCurve0(x, y);
    s->m_xMin = 390;
    s->m_xMax = 610;
    s->m_yMin = 0;
    s->m_yMax = 100;
    s->m_gridLines = false;
    s->m_markerIndex = -1;  // no crosshair across the probes
    return s;
}

// The chart laid out as renderView lays it out (axis titles included).
ChartGeometry geometryOf(const SpectrumStore& s, QSize size) {
    return describeChart(chartParamsFromStore(s, size)).geometry;
}

TEST(ChartPixels, FrameCornersCurveAndWhiteBackground) {
    auto s = flatLineStore(std::vector<double>(21, 50));
    s->m_storedRed[0] = 400;  // drawn as (144, 244, 88)
    s->m_storedGreen[0] = 500;
    s->m_storedBlue[0] = 600;
    const QImage image = render(*s, QSize(1000, 700));
    // Frame: L = 75, R = 975, T = 17 as the rules give them; the bottom edge
    // 672 (H - 2u) less the band of the x title.
    const ChartGeometry g = geometryOf(*s, QSize(1000, 700));
    ASSERT_DOUBLE_EQ(g.left, 75);
    const int bottom = truncPixel(g.bottom);
    EXPECT_EQ(bottom, 672 - truncPixel(g.bottomBand));
    EXPECT_GT(g.bottomBand, 10);
    EXPECT_EQ(image.pixelColor(75, bottom), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(975, 17), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(75, 17), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(975, bottom), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(500, 100), QColor(Qt::white));
    // y = 50 maps half way up the plot: B - (H*0.975 - 2u - band) / 2.
    EXPECT_EQ(g.yPixel(50), truncPixel(g.bottom - (700 * 0.975 - 28 - g.bottomBand) / 2));
    EXPECT_EQ(image.pixelColor(g.xPixel(500), g.yPixel(50)), QColor(144, 244, 88));
}

TEST(ChartPixels, PointAboveTheRangeBreaksThePolyline) {
    std::vector<double> y(21, 50);
    y[10] = 150;  // above m_yMax: points 9 and 11 are not joined
    auto s = flatLineStore(y);
    const QImage image = render(*s, QSize(1000, 700));
    const ChartGeometry g = geometryOf(*s, QSize(1000, 700));
    const int x9 = g.xPixel(490), x11 = g.xPixel(510), row = g.yPixel(50);
    EXPECT_EQ(image.pixelColor(x9 - 3, row), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(x11 + 3, row), QColor(Qt::black));
    for (int x = x9 + 1; x < x11; ++x) EXPECT_EQ(image.pixelColor(x, row), QColor(Qt::white)) << x;
}

TEST(ChartPixels, NarrowWindowHasFrameAndCurveButNoTicks) {
    auto s = flatLineStore(std::vector<double>(21, 50));
    const QSize size(40, 300);
    const ChartLayout l = describeChart(chartParamsFromStore(*s, size));
    EXPECT_TRUE(l.xTicks.empty());
    const QImage image = render(*s, size);
    const ChartGeometry& g = l.geometry;
    EXPECT_EQ(image.pixelColor(truncPixel(g.left), truncPixel(g.bottom)), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(g.xPixel(500), g.yPixel(50)), QColor(Qt::black));
}

TEST(ChartPixels, SecondColourBarFillsUnderCurveZero) {
    auto s = flatLineStore(std::vector<double>(201, 50));
    s->m_colorBar2 = true;
    const QImage image = render(*s, QSize(1000, 700));
    const ChartGeometry g = geometryOf(*s, QSize(1000, 700));
    // Point at 450 nm: (0, c, 255) with c = trunc(30 * 255 / 55) = 139.
    EXPECT_EQ(image.pixelColor(g.xPixel(450), 500), QColor(0, 139, 255));
    EXPECT_EQ(image.pixelColor(g.xPixel(450), 300), QColor(Qt::white));  // above the curve
}

}  // namespace
}  // namespace halden
