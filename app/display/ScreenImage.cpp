#include "display/ScreenImage.h"

namespace halden {

RgbImage rgbFromImage(const QImage& image) {
    RgbImage out;
    if (image.isNull()) return out;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    out.width = rgb.width();
    out.height = rgb.height();
    const std::size_t rowBytes = static_cast<std::size_t>(out.width) * 3;
    out.rgb.resize(rowBytes * static_cast<std::size_t>(out.height));
    for (int y = 0; y < out.height; ++y) {
        const uchar* line = rgb.constScanLine(y);
        std::copy(line, line + rowBytes, out.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
    }
    return out;
}

WriteResult writeScreenImage(const std::string& path, const QImage& image) {
    const std::string bytes = bmpFileBytes(rgbFromImage(image));
    if (bytes.empty()) return {false, "empty or oversized picture"};
    return writeFileAtomically(path, bytes);
}

}  // namespace halden
