#include "cli/VectorGraphicFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>

#include "display/ColourVectorGraphic.h"
#include "files/AtomicFile.h"

namespace halden::cli {
namespace {

std::string extensionOf(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

}  // namespace

bool isVectorGraphicName(const std::string& path) {
    const std::string ext = extensionOf(path);
    return ext == "png" || ext == "svg" || ext == "pdf";
}

std::string writeVectorGraphic(const std::string& path, const ColourRendition& r) {
    const std::string ext = extensionOf(path);
    const int size = kVectorGraphicSize;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (ext == "png") {
        if (!colourVectorGraphicImage(size, r).save(&buffer, "PNG")) return "cannot encode the PNG picture";
    } else if (ext == "svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(size, size));
        svg.setViewBox(QRect(0, 0, size, size));
        svg.setTitle(QStringLiteral("Colour vector graphic"));
        QPainter painter(&svg);
        painter.fillRect(QRect(0, 0, size, size), Qt::white);
        drawColourVectorGraphic(painter, size, r);
    } else if (ext == "pdf") {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size * 72.0 / 96, size * 72.0 / 96), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        drawColourVectorGraphic(painter, size, r);
    } else {
        return "'" + path + "' needs the extension .png, .svg or .pdf";
    }
    buffer.close();
    if (bytes.isEmpty()) return "cannot draw the colour vector graphic";
    const WriteResult w = writeFileAtomically(path, std::string_view(bytes.constData(), bytes.size()));
    if (!w.ok) return "cannot write '" + path + "': " + w.error;
    return {};
}

}  // namespace halden::cli
