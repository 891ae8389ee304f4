#include "files/SaveNames.h"

#include <QSettings>
#include <QString>

#include "common/SettingsFile.h"
#include <filesystem>
#include <system_error>

namespace halden {

std::string withExtension(const std::string& path, std::string_view ext) {
    if (path.find(ext) != std::string::npos) return path;
    return path + std::string(ext);
}

namespace {
std::string currentDirectory() {
    std::error_code ec;
    const auto dir = std::filesystem::current_path(ec);
    return ec ? std::string(".") : dir.string();
}
}  // namespace

void recordSaveDirectory() {
    // A profile that is not a regular file is left alone: the save goes on.
    const auto profile = openUserSettingsIfRegular(QStringLiteral("Halden"), QStringLiteral("Halden"));
    if (!profile) return;
    profile->beginGroup(QStringLiteral("CONTROL"));
    profile->setValue(QStringLiteral("DIR"), QString::fromStdString(currentDirectory()));
    profile->endGroup();
    profile->sync();
}

std::string inCurrentDirectory(const std::string& name) {
    return (std::filesystem::path(currentDirectory()) / name).string();
}

}  // namespace halden
