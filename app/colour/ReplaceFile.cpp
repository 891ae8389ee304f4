#include "colour/ReplaceFile.h"

#include <QSaveFile>
#include <QString>

namespace halden {

bool replaceFileContents(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    QSaveFile file(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace halden
