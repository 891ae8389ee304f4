// The "Colour rendition (TM-30)" panel: opened from the View menu, it
// follows live acquisition with the figures of the shown spectrum, stops
// computing when closed, and shows the reason when the spectrum does not
// cover 380-780 nm.
#include <QAction>
#include <QDockWidget>
#include <QImage>

#include <cmath>

#include "WindowFixture.h"
#include "spectrum/WavelengthCalibration.h"
#include "window/RenditionPanel.h"

namespace halden::test {
namespace {

class RenditionPanelTest : public WindowTest {
protected:
    QAction* item() { return frame->action(ids::kViewColourRendition); }
    RenditionPanel& panel() { return frame->renditionPanel(); }
};

TEST_F(RenditionPanelTest, MenuItemOpensPanelThatFollowsRunAndStopsWhenClosed)
{
    scene("lamp");
    open();
    ASSERT_NE(item(), nullptr);
    EXPECT_EQ(item()->text(), QStringLiteral("Colour rendition (TM-30)"));
    EXPECT_TRUE(item()->isCheckable());
    EXPECT_FALSE(item()->isChecked());
    EXPECT_FALSE(frame->renditionDock().isVisible());

    item()->trigger();
    EXPECT_TRUE(item()->isChecked());
    EXPECT_TRUE(frame->renditionDock().isVisible());
    EXPECT_EQ(frame->renditionDock().windowTitle(), QStringLiteral("Colour rendition (TM-30)"));

    const int before = panel().updates();
    runFor(3);
    EXPECT_GE(panel().updates(), before + 3);  // one computation per acquisition
    stopRun();

    const ColourRendition& r = panel().rendition();
    ASSERT_TRUE(r.ok) << r.error;
    for (double v : {r.Rf, r.Rg, r.cct, r.duv}) EXPECT_TRUE(std::isfinite(v));
    EXPECT_GT(r.cct, 1000);
    ASSERT_EQ(r.RcsHue.size(), 16u);
    for (double v : r.RcsHue) EXPECT_TRUE(std::isfinite(v));
    EXPECT_TRUE(panel().text().startsWith(QStringLiteral("Rf "))) << panel().text().toStdString();
    EXPECT_TRUE(panel().text().contains(QStringLiteral("Duv")));

    // The panel draws the graphic and bars: more than the white background.
    const QImage picture = panel().grab().toImage();
    int coloured = 0;
    for (int y = 0; y < picture.height(); y += 2)
        for (int x = 0; x < picture.width(); x += 2)
            if (qAbs(qRed(picture.pixel(x, y)) - qBlue(picture.pixel(x, y))) > 60) ++coloured;
    EXPECT_GT(coloured, 50);

    // Closed, it computes nothing more.
    item()->trigger();
    EXPECT_FALSE(item()->isChecked());
    EXPECT_FALSE(frame->renditionDock().isVisible());
    const int closedAt = panel().updates();
    runFor(2);
    stopRun();
    EXPECT_EQ(panel().updates(), closedAt);
    EXPECT_TRUE(messages().empty());
}

TEST_F(RenditionPanelTest, SpectrumMissingPartOf380To780ShowsTheReason)
{
    scene("lamp");
    open();
    runFor(1);
    stopRun();
    // A shifted axis starts above 380 nm: no figures, and the reason instead.
    applyCalibrationShift(store(), "200", true);
    item()->trigger();
    const ColourRendition& r = panel().rendition();
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(panel().text().startsWith(QStringLiteral("No colour rendition figures: "))) << panel().text().toStdString();
    EXPECT_TRUE(panel().text().contains(QStringLiteral("380-780 nm"))) << panel().text().toStdString();

    // Back on the instrument's axis, the next repaint brings the figures back.
    applyCalibrationShift(store(), "-200", true);
    frame->applyEffects(CommandEffects{.repaint = true});
    EXPECT_TRUE(panel().rendition().ok) << panel().rendition().error;
}

}  // namespace
}  // namespace halden::test
