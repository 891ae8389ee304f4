#include "common/SettingsFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include "common/Messages.h"

namespace halden {

QStringList userSettingsFiles(QSettings::Format format, const QString& organization, const QString& application)
{
    // As QSettings names them on Unix: <config>/<organization>/<application>
    // and the organisation's own <config>/<organization>.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/';
    const QString extension = format == QSettings::IniFormat ? QStringLiteral(".ini") : QStringLiteral(".conf");
    const QString org = organization.isEmpty() ? QStringLiteral("Unknown Organization") : organization;
    QStringList files;
    if (!application.isEmpty()) files << folder + org + u'/' + application + extension;
    files << folder + org + extension;
    return files;
}

QString firstIrregularFile(const QStringList& files)
{
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (info.exists() && !info.isFile()) return file;
    }
    return {};
}

std::string settingsFileWarning(const QString& file)
{
    return messages::kSettingsNotRegular + file.toStdString() + messages::kSettingsNotRegularEnd;
}

std::unique_ptr<QSettings> openSettingsIfRegular(const QString& path, QString* irregular)
{
    const QStringList files =
        path.isEmpty() ? userSettingsFiles(QSettings::NativeFormat, QCoreApplication::organizationName(),
                                           QCoreApplication::applicationName())
                       : QStringList{path};
    const QString bad = firstIrregularFile(files);
    if (irregular) *irregular = bad;
    if (!bad.isEmpty()) return nullptr;
    if (path.isEmpty()) return std::make_unique<QSettings>();
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

void clearSettings(const QString& path)
{
    if (const auto settings = openSettingsIfRegular(path)) {
        settings->clear();
        settings->sync();
    }
}

std::unique_ptr<QSettings> openUserSettingsIfRegular(const QString& organization, const QString& application)
{
    if (!firstIrregularFile(userSettingsFiles(QSettings::IniFormat, organization, application)).isEmpty())
        return nullptr;
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, organization, application);
}

}  // namespace halden
