// The screen image file: a 24-bit uncompressed bottom-up Windows bitmap of
// the main window's client area, written from a pixel buffer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace halden {

// Pixels top row first, 3 bytes per pixel in the order red, green, blue,
// no row padding: rgb.size() == width * height * 3.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Bytes of one padded pixel row: ((24 * width + 31) & ~31) / 8.
std::uint32_t bmpRowBytes(int width);

// File header (14 bytes: "BM", file size, two reserved 0, offset 54),
// information header (40 bytes: 40, width, height, 1 plane, 24 bits,
// compression 0, image size, rest 0) and the rows bottom-up in blue, green,
// red order, each padded to 4 bytes. Empty when the image is empty, its
// buffer too small, or it would exceed 4 GB.
std::string bmpFileBytes(const RgbImage& image);

}  // namespace halden
