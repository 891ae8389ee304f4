// The colour vector graphic: its geometry against the rendition figures, the
// bin colours and the drawn picture.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

#include "DisplayTestSupport.h"
#include "colour/ColourRendition.h"
#include "colour/RenditionTables.h"
#include "display/ColourVectorGraphic.h"

namespace halden {
namespace {

// Three narrow bands, as a red-green-blue LED mixture: far from faithful.
ColourRendition threeBandSource() {
    double s[kRenditionPoints];
    for (int k = 0; k < kRenditionPoints; ++k) {
        const double nm = kRenditionFirstNm + k;
        auto band = [&](double centre, double width, double height) {
            return height * std::exp(-0.5 * std::pow((nm - centre) / width, 2));
        };
        s[k] = band(455, 10, 1.0) + band(535, 15, 1.1) + band(615, 9, 1.0);
    }
    return colourRenditionOfGrid(s);
}

ColourRendition planckian3000() {
    double s[kRenditionPoints];
    for (int k = 0; k < kRenditionPoints; ++k) {
        const double nm = kRenditionFirstNm + k;
        s[k] = std::pow(nm, -5) / std::expm1(1.4388e7 / (nm * 3000));
    }
    return colourRenditionOfGrid(s);
}

TEST(ColourVectorGraphic, TestPointsShowTheChromaAndHueShifts) {
    const ColourRendition perfect = planckian3000();
    ASSERT_TRUE(perfect.ok) << perfect.error;
    for (int j = 0; j < kHueBins; ++j) {
        const QPointF p = vectorGraphicTestPoint(perfect, j);
        EXPECT_NEAR(std::hypot(p.x(), p.y()), 1, 1e-6) << j;
        const QPointF c = vectorGraphicReferencePoint(j);
        EXPECT_NEAR(std::atan2(c.y(), c.x()), (22.5 * j + 11.25 - (j >= 8 ? 360 : 0)) * M_PI / 180, 1e-12) << j;
    }
    const ColourRendition r = threeBandSource();
    ASSERT_TRUE(r.ok) << r.error;
    double largest = 0;
    for (int j = 0; j < kHueBins; ++j) {
        const QPointF c = vectorGraphicReferencePoint(j);
        const QPointF d = vectorGraphicTestPoint(r, j) - c;
        // Along the bin's middle: the chroma shift; across it: the hue shift.
        EXPECT_NEAR(d.x() * c.x() + d.y() * c.y(), r.RcsHue[j] / 100, 1e-12) << j;
        EXPECT_NEAR(-d.x() * c.y() + d.y() * c.x(), r.RhsHue[j], 1e-12) << j;
        largest = std::max(largest, std::fabs(r.RcsHue[j]));
    }
    EXPECT_GT(largest, 5);  // the source is far from faithful
}

TEST(ColourVectorGraphic, BinColoursRunFromRedRoundThroughTheHues) {
    const QColor red = hueBinColour(0), yellow = hueBinColour(4), green = hueBinColour(8), blue = hueBinColour(11);
    EXPECT_GT(red.red(), red.green());
    EXPECT_GT(red.red(), red.blue());
    EXPECT_GT(yellow.red(), yellow.blue());
    EXPECT_GT(yellow.green(), yellow.blue());
    EXPECT_GT(green.green(), green.red());
    EXPECT_GT(blue.blue(), blue.red());
    EXPECT_GT(blue.blue(), blue.green());
    for (int j = 0; j + 1 < kHueBins; ++j) EXPECT_NE(hueBinColour(j), hueBinColour(j + 1)) << j;
}

TEST(ColourVectorGraphic, DrawsCircleArrowsAndFigures) {
    test::ensureGuiApplication();
    const int size = 400;
    const QImage image = colourVectorGraphicImage(size, threeBandSource());
    ASSERT_EQ(image.size(), QSize(size, size));
    // The reference circle crosses the horizontal middle line at 200 -+ 120.
    auto darkNear = [&](int x, int y) {
        for (int dx = -2; dx <= 2; ++dx)
            if (qGray(image.pixel(x + dx, y)) < 100) return true;
        return false;
    };
    EXPECT_TRUE(darkNear(80, 200) || darkNear(320, 200));
    // Coloured (not grey) pixels: the arrows.
    int coloured = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 80) ++coloured;
        }
    EXPECT_GT(coloured, 300);
    // The figures at the top corners.
    int textPixels = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < size; ++x) textPixels += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(textPixels, 50);

    // A source without figures still gives a picture, with the reason.
    ColourRendition none;
    none.error = "the spectrum has no light between 380 and 780 nm";
    const QImage empty = colourVectorGraphicImage(size, none);
    EXPECT_EQ(empty.size(), QSize(size, size));
}

}  // namespace
}  // namespace halden
