// The "Light" panel and File > "Save light report, pdf": the panel follows
// live acquisition with the light figures of the shown spectrum in five
// groups, copies them as text, and stops computing when closed; the report
// is one PDF page.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QFile>
#include <QPushButton>

#include <cmath>

#include "WindowFixture.h"
#include "window/LightPanel.h"

namespace halden::test {
namespace {

class LightPanelTest : public WindowTest {
protected:
    QAction* item() { return frame->action(ids::kViewLight); }
    LightPanel& panel() { return frame->lightPanel(); }
};

TEST_F(LightPanelTest, MenuItemOpensPanelThatFollowsRunCopiesAndStopsWhenClosed)
{
    scene("led");
    open();
    ASSERT_NE(item(), nullptr);
    EXPECT_EQ(item()->text(), QStringLiteral("Light"));
    EXPECT_TRUE(item()->isCheckable());
    EXPECT_FALSE(frame->lightDock().isVisible());

    item()->trigger();
    EXPECT_TRUE(item()->isChecked());
    EXPECT_TRUE(frame->lightDock().isVisible());
    EXPECT_EQ(frame->lightDock().windowTitle(), QStringLiteral("Light"));

    const int before = panel().updates();
    runFor(3);
    EXPECT_GE(panel().updates(), before + 3);  // one computation per acquisition
    stopRun();

    const LightFigures& f = panel().figures();
    ASSERT_TRUE(f.colourError.empty()) << f.colourError;
    EXPECT_TRUE(f.cqs.Qa.ok()) << f.cqs.Qa.reason;
    EXPECT_TRUE(f.alphaOpic[4].der.ok());
    EXPECT_TRUE(f.peakWavelength.ok());
    const QString text = panel().text();
    for (const char* group : {"Colour:\n", "\nRendition:\n", "\nCircadian (CIE S 026):\n", "\nLED:\n", "\nPlants:\n"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(group))) << group << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("= nan")) || text.contains(QStringLiteral("-nan")));

    QApplication::clipboard()->clear();
    panel().findChild<QPushButton*>(QStringLiteral("lightCopy"))->click();
    EXPECT_EQ(QApplication::clipboard()->text(), text);

    item()->trigger();
    EXPECT_FALSE(frame->lightDock().isVisible());
    const int closedAt = panel().updates();
    runFor(2);
    stopRun();
    EXPECT_EQ(panel().updates(), closedAt);
    EXPECT_TRUE(messages().empty());
}

TEST_F(LightPanelTest, SaveLightReportWritesOnePdfPage)
{
    scene("fluorescent");
    open();
    runFor(1);
    stopRun();
    QAction* save = frame->action(ids::kSaveLightReport);
    ASSERT_NE(save, nullptr);
    EXPECT_EQ(save->text(), QStringLiteral("Save light report, pdf"));

    prompt.saveAnswers.push_back(path("lamp").toStdString());
    save->trigger();
    QFile pdf(path("lamp.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 1);
    EXPECT_TRUE(messages().empty());

    // Cancelled: nothing written.
    save->trigger();
    EXPECT_FALSE(QFile::exists(path("lamp.pdf.pdf")));
}

}  // namespace
}  // namespace halden::test
