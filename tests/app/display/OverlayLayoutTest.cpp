// The overlays' layout rule: blocks keep their own places while those are
// free, otherwise move without overlapping, and every text stays in the plot.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DisplayTestSupport.h"
#include "display/OverlayPlacement.h"
#include "display/ViewRendering.h"
#include "spectrum/LiveView.h"
#include "spectrum/StoredCurves.h"

namespace halden {
namespace {

TEST(BlockPlacer, KeepsAFreePlaceThenStacksDownwardsThenBeside) {
    BlockPlacer placer(QRect(0, 0, 200, 100), 4);
    EXPECT_EQ(placer.place(QRect(10, 10, 50, 20)), QPoint(10, 10));
    // Wanted on top of the first: slides down its own column.
    EXPECT_EQ(placer.place(QRect(20, 15, 50, 20)), QPoint(20, 34));
    // Partly outside the area: moved inside.
    EXPECT_EQ(placer.place(QRect(180, -5, 40, 10)), QPoint(160, 0));
    // No room below any more: the column beside the others.
    EXPECT_EQ(placer.place(QRect(10, 10, 50, 60)), QPoint(74, 10));
    // Larger than the area, or no free place at all: none.
    EXPECT_FALSE(placer.place(QRect(0, 0, 300, 10)));
    EXPECT_FALSE(placer.place(QRect(0, 0, 190, 90)));
    EXPECT_EQ(placer.taken().size(), 4u);
}

struct Item {
    QRect box;
    std::string what;
    int group;  // items of one group may touch (the legend's frame and its lines)
};

// Every text box of a picture, with the diagram and the legend's frame.
std::vector<Item> itemsOf(const ViewLayout& l) {
    std::vector<Item> items;
    int group = 0;
    for (const PlacedText& t : l.texts) {
        const bool legend = !l.legendFrame.isEmpty() && l.legendFrame.contains(t.box);
        items.push_back({t.box, t.text, legend ? -1 : ++group});
    }
    if (!l.legendFrame.isEmpty()) items.push_back({l.legendFrame, "legend frame", -1});
    if (!l.diagramTarget.isEmpty()) items.push_back({l.diagramTarget, "diagram", ++group});
    if (l.chart.xTitle) items.push_back({l.chart.xTitle->box, l.chart.xTitle->text, ++group});
    if (l.chart.yTitle) items.push_back({l.chart.yTitle->box, l.chart.yTitle->text, ++group});
    return items;
}

// A lamp-like spectrum over 380..1000 nm, counts up to about 36000.
std::unique_ptr<SpectrumStore> lampStore() {
    std::vector<double> x, y;
    for (int i = 0; i <= 620; ++i) {
        x.push_back(380 + i);
        y.push_back(36000.0 * std::exp(-std::pow((i - 450) / 250.0, 2)));
    }
    auto s = test::storeWithCurve0(x, y);
    s->m_xMin = 380;
    s->m_xMax = 1000;
    s->m_yMin = -2000;
    s->m_yMax = 40000;
    s->m_markerIndex = 170;
    nameStoredCurve(*s, 0, CurveKind::Live, "Live");
    const int k = test::appendCurve(*s, x, y, 255, 0, 0);
    nameStoredCurve(*s, k, CurveKind::Gaussian, "Gaussian fit");
    const int file = test::appendCurve(*s, {400, 900}, {1000, 1000}, 300, 400, 500);
    nameStoredCurve(*s, file, CurveKind::File, "a measurement with a long file name.txt");
    return s;
}

PaintFigures allFigures() {
    PaintFigures f;
    f.markerIrradianceShown = true;
    f.markerIrradiance = 17.4;
    f.concentrationShown = true;
    f.concentration = 0.125;
    f.chromaticityShown = true;
    const double values[] = {0.4476, 0.4074, 0.145, 0.2560, 0.3495, 2856.4, 0.0007};
    for (std::size_t k = 0; k < 7; ++k) f.colorimetry[k] = values[k];
    for (std::size_t k = 0; k < 14; ++k) f.colorimetry[ColorimetryResult::kR1 + k] = 99.6;
    f.colorimetry[ColorimetryResult::kRa] = 99.4;
    f.colorimetry[ColorimetryResult::kRe] = 99.1;
    f.lumen = 0.313;
    f.energy.shown = true;
    f.energy.total = 1650.4;
    f.energy.range1 = 147.2;
    f.energy.range2 = 324.4;
    f.energy.range3 = 1180.9;
    return f;
}

// Every combination of the overlays (marker readout with irradiance and
// concentration, Gaussian result, chromaticity picture and figures, energy
// block, legend), with the marker left, right and beyond a window that got
// narrower: no two text boxes meet, and every overlay text is in the plot.
TEST(OverlayLayout, NoTwoTextBoxesIntersectInAnyCombination) {
    auto s = lampStore();
    const PaintFigures all = allFigures();
    for (const QSize size : {QSize(800, 600), QSize(1280, 800)}) {
        updateClientSize(*s, size.width(), size.height());
        for (int combination = 0; combination < 32; ++combination) {
            for (int markerPixel : {100, size.width() / 2 + 40, size.width() - 5, size.width() + 400}) {
                const bool readoutFigures = combination & 1, gauss = combination & 2, chroma = combination & 4,
                           energy = combination & 8, legend = combination & 16;
                PaintFigures f = all;
                f.markerIrradianceShown = f.concentrationShown = readoutFigures;
                s->m_ratioMode = readoutFigures ? 3 : 0;
                s->m_gaussCleared = !gauss;
                s->m_gaussCenter = 838.77;
                s->m_gaussWidth = 1310.4;
                s->m_chromaticityView = f.chromaticityShown = chroma;
                s->m_calcEnergy = f.energy.shown = energy;
                s->m_irradianceCalibrated = true;
                s->m_markerPixel = markerPixel;
                ViewOptions options;
                options.legend = legend;
                const ViewLayout l = describeView(size, *s, f, ViewInteraction{}, options);
                const std::string where = std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                                          " combination " + std::to_string(combination) + " marker at " +
                                          std::to_string(markerPixel);
                const ChartGeometry& g = l.chart.geometry;
                const QRect plot(QPoint(truncPixel(g.left), truncPixel(g.top)),
                                 QPoint(truncPixel(g.right), truncPixel(g.bottom)));
                for (const PlacedText& t : l.texts) EXPECT_TRUE(plot.contains(t.box)) << where << ": " << t.text;
                EXPECT_EQ(l.texts.empty(), false) << where;
                if (chroma) {
                    EXPECT_TRUE(plot.contains(l.diagramTarget)) << where;
                }
                if (legend) {
                    EXPECT_FALSE(l.legendFrame.isEmpty()) << where;
                }

                const std::vector<Item> items = itemsOf(l);
                for (std::size_t i = 0; i < items.size(); ++i)
                    for (std::size_t j = i + 1; j < items.size(); ++j) {
                        if (items[i].group == items[j].group && items[i].what == "legend frame") continue;
                        if (items[i].group == items[j].group && items[j].what == "legend frame") continue;
                        EXPECT_FALSE(items[i].box.intersects(items[j].box))
                            << where << ": \"" << items[i].what << "\" and \"" << items[j].what << "\"";
                    }
                // Overlays never cover a tick label either.
                for (const ChartTick& t : l.chart.yTicks)
                    for (const PlacedText& o : l.texts) EXPECT_FALSE(t.box.intersects(o.box)) << where << ": " << o.text;
            }
        }
    }
}

// With room, every block keeps the place the chart's rules give it.
TEST(OverlayLayout, BlocksWithRoomKeepTheirPlaces) {
    auto s = lampStore();
    updateClientSize(*s, 1280, 800);
    s->m_gaussCleared = false;
    s->m_gaussCenter = 500;
    s->m_markerPixel = 300;
    const ViewLayout l = describeView(QSize(1280, 800), *s, PaintFigures{}, ViewInteraction{});
    auto find = [&](const std::string& prefix) -> const PlacedText* {
        for (const PlacedText& t : l.texts)
            if (t.text.rfind(prefix, 0) == 0) return &t;
        return nullptr;
    };
    ASSERT_TRUE(find("center: 500.00 nm"));
    EXPECT_EQ(find("center: 500.00 nm")->x, 1280 - 32 - 150);
    EXPECT_EQ(find("center: 500.00 nm")->y, 32 + 20);
    ASSERT_TRUE(find("y: "));
    EXPECT_EQ(find("y: ")->x, 305);
    EXPECT_EQ(find("y: ")->y, 32 + 35);
}

// The concentration and the irradiance lines of the marker readout, which the
// rules put 5 pixels apart, stack without overlapping.
TEST(OverlayLayout, MarkerReadoutLinesStack) {
    auto s = lampStore();
    updateClientSize(*s, 1000, 700);
    s->m_markerPixel = 300;
    s->m_ratioMode = 3;
    PaintFigures f;
    f.markerIrradianceShown = f.concentrationShown = true;
    f.markerIrradiance = 1;
    f.concentration = 1;
    const ViewLayout l = describeView(QSize(1000, 700), *s, f, ViewInteraction{});
    ASSERT_EQ(l.texts.size(), 5u);
    for (std::size_t i = 1; i < l.texts.size(); ++i) EXPECT_GT(l.texts[i].box.top(), l.texts[i - 1].box.bottom());
    EXPECT_EQ(l.texts[2].text, "concentration: 1.000");
    EXPECT_EQ(l.texts[2].y, 25 + 60);
}

// A legend that cannot list every curve lists what fits and says how many
// more there are.
TEST(OverlayLayout, LegendOfManyCurvesSaysHowManyMore) {
    auto s = test::storeWithCurve0({400, 500}, {1, 2});
    s->m_xMin = 400;
    s->m_xMax = 500;
    s->m_yMin = 0;
    s->m_yMax = 3;
    for (int k = 1; k < 60; ++k) {
        const int slot = test::appendCurve(*s, {400, 500}, {1, 1}, 0, 0, 0);
        nameStoredCurve(*s, slot, CurveKind::File, "f" + std::to_string(k) + ".txt");
    }
    setStoredCurveVisible(*s, 5, false);
    ViewOptions options;
    options.legend = true;
    const ViewLayout l = describeView(QSize(800, 600), *s, PaintFigures{}, ViewInteraction{}, options);
    ASSERT_FALSE(l.legendFrame.isEmpty());
    ASSERT_GE(l.texts.size(), 3u);
    EXPECT_EQ(l.texts.front().text, "Live");
    EXPECT_EQ(l.texts.back().text.rfind("+ ", 0), 0u);
    EXPECT_EQ(l.legendSwatches.size(), l.texts.size() - 1);
    for (const PlacedText& t : l.texts) EXPECT_NE(t.text, "f5.txt");  // hidden: not listed
}

}  // namespace
}  // namespace halden
