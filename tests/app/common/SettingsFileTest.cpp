// The settings files are looked at before QSettings reads them: the paths
// must be the ones QSettings itself uses.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "common/SettingsFile.h"

namespace halden {
namespace {

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "common_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

TEST(SettingsFile, CheckedFilesAreTheOnesQSettingsReadsAndAFifoIsNeverOpened)
{
    application();
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication::setOrganizationName(QStringLiteral("Some Org"));
    QCoreApplication::setApplicationName(QStringLiteral("Halden"));
    const QStringList native = userSettingsFiles(QSettings::NativeFormat, QStringLiteral("Some Org"),
                                                 QStringLiteral("Halden"));
    ASSERT_EQ(native.size(), 2);
    EXPECT_EQ(native[0], QSettings().fileName());
    EXPECT_EQ(native[1], config.path() + QStringLiteral("/Some Org.conf"));
    const QStringList ini = userSettingsFiles(QSettings::IniFormat, QStringLiteral("Halden"), QStringLiteral("Halden"));
    EXPECT_EQ(ini[0], QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halden"),
                                QStringLiteral("Halden"))
                          .fileName());

    EXPECT_TRUE(openSettingsIfRegular({}) != nullptr);  // nothing there yet
    ASSERT_EQ(::mkfifo(QFile::encodeName(native[1]).constData(), 0600), 0);
    QString irregular;
    EXPECT_EQ(openSettingsIfRegular({}, &irregular), nullptr);
    EXPECT_EQ(irregular, native[1]);
    const QString own = config.path() + QStringLiteral("/own.ini");
    ASSERT_TRUE(QDir().mkdir(own));
    EXPECT_EQ(openSettingsIfRegular(own, &irregular), nullptr);
    EXPECT_EQ(irregular, own);
    ASSERT_TRUE(QDir().mkpath(ini[0]));  // a folder where Halden.ini belongs
    EXPECT_EQ(openUserSettingsIfRegular(QStringLiteral("Halden"), QStringLiteral("Halden")), nullptr);
    qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace halden
