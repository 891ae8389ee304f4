// Every button of the window's toolbar has an icon without any desktop icon
// theme, drawn from a bundled SVG that parses.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSvgRenderer>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "WindowFixture.h"
#include "window/CommandIcons.h"

namespace halden {
namespace {

bool hasVisiblePixels(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) return true;
    return false;
}

using CommandIconsWindowTest = test::WindowTest;

TEST_F(CommandIconsWindowTest, EveryToolbarButtonHasADrawnIconWithoutATheme)
{
    open(false);
    const QList<int> toolbar = toolbarCommands();
    ASSERT_FALSE(toolbar.isEmpty());
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QString());
    for (int command : toolbar) {
        const QString file = commandIconFile(command);
        ASSERT_FALSE(file.isEmpty()) << command;
        commandIcon(command);  // registers the resources
        QSvgRenderer svg(file);
        EXPECT_TRUE(svg.isValid()) << file.toStdString();

        const QIcon icon = commandIcon(command);
        ASSERT_FALSE(icon.isNull()) << command;
        for (int size : {16, 24}) {
            const QPixmap pixmap = icon.pixmap(size, size);
            ASSERT_FALSE(pixmap.isNull()) << command;
            EXPECT_TRUE(hasVisiblePixels(pixmap.toImage())) << command << " at " << size;
        }
    }
    QIcon::setThemeName(theme);
}

TEST(CommandIconsTest, StandardActionsAskTheThemeFirst)
{
    EXPECT_EQ(commandThemeIconName(ids::kLoadSpectra), "document-open");
    EXPECT_EQ(commandThemeIconName(ids::kSaveTxt), "document-save");
    EXPECT_EQ(commandThemeIconName(ids::kEditCopy), "edit-copy");
    EXPECT_EQ(commandThemeIconName(ids::kFilePrint), "document-print");
    EXPECT_TRUE(commandThemeIconName(ids::kChooseSpectrometer).isEmpty());  // no standard icon for a spectrometer
    EXPECT_TRUE(commandIcon(ids::kViewToolbar).isNull());                   // "&Toolbar" has no icon
}

TEST(CommandIconsTest, WindowIconIsThePackagedApplicationIcon)
{
    // Without an installed theme icon the built-in copy of the packaged SVG draws.
    test::ensureApplication();
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("no-such-theme"));
    const QPixmap pixmap = applicationIcon().pixmap(48, 48);
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_TRUE(hasVisiblePixels(pixmap.toImage()));
    EXPECT_TRUE(QSvgRenderer(QStringLiteral(":/icons/com.vantrel.halden.svg")).isValid());
    QIcon::setThemeName(theme);
}

}  // namespace
}  // namespace halden
