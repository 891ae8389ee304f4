// Opening settings (INI) files only when they are regular files. QSettings
// reads its files as soon as it is made: a FIFO of that name would stall the
// program for ever, and a folder or device cannot hold settings. The files
// are checked first, and such a file is left alone.
#pragma once

#include <memory>
#include <string>

#include <QSettings>
#include <QString>
#include <QStringList>

namespace halden {

// The user-scope files QSettings(format, QSettings::UserScope, organization,
// application) reads on this platform, the application's own file first.
// (QSettings::setPath overrides are not known here.)
QStringList userSettingsFiles(QSettings::Format format, const QString& organization, const QString& application);

// The first of files that exists but is not a regular file (links are
// followed); empty when there is none.
QString firstIrregularFile(const QStringList& files);

// The warning for a settings file that is not a regular file.
std::string settingsFileWarning(const QString& file);

// QSettings on the INI file path, or, when path is empty, the application's
// own settings (QSettings() with the application's organisation and name).
// Null when one of the files it would read exists but is not a regular file;
// irregular, when given, then names that file.
std::unique_ptr<QSettings> openSettingsIfRegular(const QString& path, QString* irregular = nullptr);

// Removes every setting of the file openSettingsIfRegular(path) opens (the
// window's layout, the chart bar's values, the last folder, the recent
// files), so the next start begins from the defaults. A file that is not a
// regular file is left alone.
void clearSettings(const QString& path);

// QSettings(QSettings::IniFormat, QSettings::UserScope, organization,
// application), or null as above.
std::unique_ptr<QSettings> openUserSettingsIfRegular(const QString& organization, const QString& application);

}  // namespace halden
