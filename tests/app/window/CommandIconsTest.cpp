// Every toolbar command has an icon without any desktop icon theme, drawn
// from a bundled SVG that parses.
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSvgRenderer>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "window/CommandIcons.h"

namespace halden {
namespace {

// The toolbar's buttons, in their order.
constexpr int kToolbarCommands[] = {32780, 32815, 32799, 57634, 57607, 32803, 32771, 32822, 32789, 32790,
                                    32792, 32794, 32796, 32798, 32805, 32819, 32820, 32823, 32828, 32802};

bool hasVisiblePixels(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0) return true;
    return false;
}

TEST(CommandIconsTest, EveryToolbarButtonHasADrawnIconWithoutATheme)
{
    test::ensureApplication();
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QString());
    for (int command : kToolbarCommands) {
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
    EXPECT_EQ(commandThemeIconName(32799), "document-open");
    EXPECT_EQ(commandThemeIconName(32780), "document-save");
    EXPECT_EQ(commandThemeIconName(57634), "edit-copy");
    EXPECT_EQ(commandThemeIconName(57607), "document-print");
    EXPECT_TRUE(commandThemeIconName(32803).isEmpty());  // no standard icon for a spectrometer
    EXPECT_TRUE(commandIcon(59392).isNull());            // "&Toolbar" has no icon
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
