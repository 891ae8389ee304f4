// The screen image file: the rendered picture as a 24-bit BMP, replaced
// atomically.
#pragma once

#include <QImage>

#include <string>

#include "files/AtomicFile.h"
#include "files/BmpImage.h"

namespace halden {

// The image's pixels as top-down RGB bytes.
RgbImage rgbFromImage(const QImage& image);

// Writes image as a 24-bit BMP at path (write, then rename).
WriteResult writeScreenImage(const std::string& path, const QImage& image);

}  // namespace halden
