#include "files/BmpImage.h"

namespace halden {

namespace {

void put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}

void put32(std::string& s, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>((v >> (8 * k)) & 0xFF));
}

constexpr std::uint32_t kHeadersSize = 54;

}  // namespace

std::uint32_t bmpRowBytes(int width) {
    return static_cast<std::uint32_t>(((24ull * static_cast<unsigned>(width) + 31) & ~31ull) / 8);
}

std::string bmpFileBytes(const RgbImage& image) {
    if (image.width <= 0 || image.height <= 0) return {};
    const auto w = static_cast<unsigned long long>(image.width);
    const auto h = static_cast<unsigned long long>(image.height);
    if (image.rgb.size() < w * h * 3) return {};
    const unsigned long long row = ((24 * w + 31) & ~31ull) / 8;
    const unsigned long long imageSize = row * h;
    if (imageSize + kHeadersSize > 0xFFFFFFFFull) return {};

    std::string s;
    s.reserve(static_cast<std::size_t>(imageSize + kHeadersSize));
    put16(s, 0x4D42);  // "BM"
    put32(s, static_cast<std::uint32_t>(kHeadersSize + imageSize));
    put16(s, 0);
    put16(s, 0);
    put32(s, kHeadersSize);
    put32(s, 40);
    put32(s, static_cast<std::uint32_t>(image.width));
    put32(s, static_cast<std::uint32_t>(image.height));
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, static_cast<std::uint32_t>(imageSize));
    put32(s, 0);
    put32(s, 0);
    put32(s, 0);
    put32(s, 0);

    const std::size_t pad = static_cast<std::size_t>(row - w * 3);
    for (unsigned long long y = h; y-- > 0;) {
        const std::uint8_t* src = image.rgb.data() + y * w * 3;
        for (unsigned long long x = 0; x < w; ++x, src += 3) {
            s.push_back(static_cast<char>(src[2]));
            s.push_back(static_cast<char>(src[1]));
            s.push_back(static_cast<char>(src[0]));
        }
        s.append(pad, '\0');
    }
    return s;
}

}  // namespace halden
