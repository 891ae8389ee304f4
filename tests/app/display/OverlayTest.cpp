#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "DisplayTestSupport.h"
#include "display/ChartFonts.h"
#include "display/ChromaticityDiagram.h"
#include "display/PrintLayout.h"
#include "spectrum/LiveView.h"
#include "display/ScreenImage.h"
#include "display/ViewRendering.h"

namespace halden {
namespace {

const PlacedText* findText(const ViewLayout& l, const std::string& prefix) {
    for (const auto& t : l.texts)
        if (t.text.rfind(prefix, 0) == 0) return &t;
    return nullptr;
}

// A store on a client of width w: plot width w - trunc(0.025w) - trunc(0.075w).
std::unique_ptr<SpectrumStore> clientStore(int w, int h) {
    auto s = test::storeWithCurve0({400, 500, 600}, {1, 2, 3});
    s->m_xMin = 400;
    s->m_xMax = 600;
    s->m_yMin = 0;
    s->m_yMax = 4;
    updateClientSize(*s, w, h);
    return s;
}

TEST(Overlays, MarkerReadoutBesideTheMarkerPixel) {
    auto s = clientStore(1000, 700);
    s->m_markerIndex = 1;
    s->m_markerPixel = 300;
    ViewLayout l = describeView(QSize(1000, 700), *s, PaintFigures{}, ViewInteraction{});
    const PlacedText* x = findText(l, "500.00 nm");
    ASSERT_TRUE(x);
    EXPECT_EQ(x->x, 305);
    EXPECT_EQ(x->y, 25 + 20);
    ASSERT_TRUE(findText(l, "y: 2.00"));

    s->m_markerPixel = 800;  // right half: the text ends left of it
    s->m_ratioMode = 3;
    PaintFigures f;
    f.concentrationShown = true;
    f.concentration = 0.25;
    l = describeView(QSize(1000, 700), *s, f, ViewInteraction{});
    EXPECT_EQ(findText(l, "500.00 nm")->x, 800 - 8 * 9);
    ASSERT_TRUE(findText(l, "y: 2.000"));
    const PlacedText* c = findText(l, "concentration: 0.250");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->y, 25 + 60);
}

TEST(Overlays, GaussianResultAndIrradiance) {
    auto s = clientStore(1000, 700);
    s->m_gaussCleared = false;
    s->m_gaussCenter = 532.456;
    s->m_gaussWidth = 10;
    PaintFigures f;
    f.markerIrradianceShown = true;
    f.markerIrradiance = 0.000123;
    const ViewLayout l = describeView(QSize(1000, 700), *s, f, ViewInteraction{});
    const PlacedText* centre = findText(l, "center: 532.46 nm");
    ASSERT_TRUE(centre);
    EXPECT_EQ(centre->x, 1000 - 25 - 150);
    ASSERT_TRUE(findText(l, "Width 4.80 nm"));
    EXPECT_EQ(findText(l, "uW/cm^2/nm:")->y, 25 + 65);
    EXPECT_EQ(findText(l, "1.23E-04")->y, 25 + 85);
}

TEST(Overlays, ChromaticityPictureSizeTextsAndRectangle) {
    auto s = clientStore(777, 600);  // plot width 777 - 19 - 58 = 700
    s->m_chromaticityView = true;
    PaintFigures f;
    f.colorimetry[ColorimetryResult::kX] = 0.3127;
    f.colorimetry[ColorimetryResult::kY] = 0.3290;
    f.colorimetry[ColorimetryResult::kTc] = -1;
    f.colorimetry[ColorimetryResult::kR1 + 13] = 87.4;
    f.chromaticityShown = true;
    f.lumen = 1234;
    const ViewLayout l = describeView(QSize(777, 600), *s, f, ViewInteraction{});
    ASSERT_TRUE(l.chromaticity);
    EXPECT_EQ(l.diagramTarget, QRect(58 + 5, 19 + 5, 200, 224));
    EXPECT_EQ(chromaticityTextHeight(s->m_diagramScale), 22);
    EXPECT_EQ(l.diagramMarker.left() + l.diagramMarker.width() / 2, 560);
    EXPECT_EQ(l.diagramMarker.top() + l.diagramMarker.height() / 2, 866);
    const PlacedText* t = findText(l, "T = ");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->text, "T = -1");
    // The table starts where the rules put it, or right of the picture when
    // that would cover the picture.
    const int x0 = std::max(58 + static_cast<int>(700 / (1.5 * 3.5)), l.diagramTarget.right() + 1 + 8);
    const int y0 = 19 + (600 - 19 - 28) / 30;
    EXPECT_EQ(findText(l, "x = 0.31")->x, x0);
    EXPECT_EQ(findText(l, "x = 0.31")->y, y0);
    EXPECT_EQ(t->y, y0 + static_cast<int>(105 * 5 / 3.5));
    const PlacedText* r14 = findText(l, "R14=87");
    ASSERT_TRUE(r14);
    EXPECT_EQ(r14->x, x0 + 180);
    EXPECT_TRUE(findText(l, "1.23E+03 lm"));
}

// A dark spectrum has no colour figures: no NaN on the chart, no marker, and
// a line that says why.
TEST(Overlays, ChromaticityTextsOfADarkSpectrumAreNeverNaN) {
    auto s = clientStore(777, 600);
    s->m_chromaticityView = true;
    PaintFigures f;
    f.colorimetry.values.fill(std::nan(""));
    f.chromaticityShown = true;
    f.lumen = 0;
    const ViewLayout l = describeView(QSize(777, 600), *s, f, ViewInteraction{});
    ASSERT_TRUE(l.chromaticity);
    EXPECT_TRUE(l.diagramMarker.isEmpty());
    for (const PlacedText& t : l.texts) {
        EXPECT_EQ(t.text.find("nan"), std::string::npos) << t.text;
        EXPECT_EQ(t.text.find("inf"), std::string::npos) << t.text;
    }
    EXPECT_TRUE(findText(l, "x = -"));
    EXPECT_TRUE(findText(l, "R14=-"));
    EXPECT_TRUE(findText(l, "CRI Ra(1-8)=-"));
    EXPECT_TRUE(findText(l, "no light: no colour figures"));
    EXPECT_TRUE(findText(l, "0.00E+00 lm"));
}

TEST(Overlays, EnergyBlockNeverInFastMode) {
    auto s = clientStore(1000, 700);
    s->m_calcEnergy = true;
    PaintFigures f;
    f.energy.shown = true;
    f.energy.total = 5;
    ViewLayout l = describeView(QSize(1000, 700), *s, f, ViewInteraction{});
    const PlacedText* title = findText(l, "Energy:");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->x, 1000 - 75 - 150);
    EXPECT_EQ(findText(l, "Total Range: 5.00E+00")->y, 25 + 50);
    EXPECT_EQ(findText(l, "380-760")->y, 25 + 70);
    s->m_liveAcquisition.settings.conditioning.fast = true;
    l = describeView(QSize(1000, 700), *s, f, ViewInteraction{});
    EXPECT_FALSE(findText(l, "Energy:"));
}

TEST(Overlays, DiagramIsBuiltOnceWithTheLocusInside) {
    test::ensureGuiApplication();
    const QImage& a = chromaticityDiagram();
    EXPECT_EQ(a.size(), QSize(1300, 1462));
    EXPECT_EQ(&a, &chromaticityDiagram());
    // The white point is coloured (inside the locus), the top-right corner is not.
    const QColor centre = a.pixelColor(static_cast<int>(diagramColumn(0.33)), static_cast<int>(diagramRow(0.36)));
    EXPECT_GT(std::min({centre.red(), centre.green(), centre.blue()}), 180);
    EXPECT_EQ(a.pixelColor(1250, 60), QColor(Qt::white));
    const QColor green = a.pixelColor(static_cast<int>(diagramColumn(0.2)), static_cast<int>(diagramRow(0.7)));
    EXPECT_GT(green.green(), green.red());
}

TEST(PrintLayout, PictureFitsThePage) {
    EXPECT_EQ(printTargetRect(QSize(1000, 700), QSize(4960, 7016)), QRect(0, 0, 4960, 3472));
    EXPECT_EQ(printTargetRect(QSize(400, 1000), QSize(4960, 7016)), QRect(0, 0, 2806, 7016));
    EXPECT_TRUE(printTargetRect(QSize(0, 700), QSize(100, 100)).isEmpty());
    EXPECT_TRUE(printTargetRect(QSize(100, 100), QSize(100, 0)).isEmpty());
}

TEST(ScreenImage, RenderedPictureAsTwentyFourBitBitmap) {
    test::ensureGuiApplication();
    auto s = clientStore(101, 50);
    const QImage image = renderViewImage(QSize(101, 50), *s, PaintFigures{}, ViewInteraction{});
    const auto dir = std::filesystem::temp_directory_path() / "halden_display_screen_image";
    std::filesystem::create_directories(dir);
    const auto path = (dir / "shot.bmp").string();
    ASSERT_TRUE(writeScreenImage(path, image).ok);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 54u + 50u * bmpRowBytes(101));
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);
    // Bottom row first: the bottom-left pixel is white background.
    EXPECT_EQ(static_cast<unsigned char>(bytes[54]), 255);
    EXPECT_FALSE(writeScreenImage((dir / "missing" / "x.bmp").string(), image).ok);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace halden
