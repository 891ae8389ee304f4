// Feeds arbitrary bytes to the JCAMP-DX reader: it either refuses with a
// reason or gives blocks whose abscissae and ordinates pair up and are all
// finite (a missing value is left out).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/JcampFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const halden::JcampFile file = halden::parseJcamp(bytes);
    if (file.ok() == file.blocks.empty()) std::abort();
    for (const halden::JcampBlock& b : file.blocks) {
        if (b.x.size() != b.y.size() || b.x.empty()) std::abort();
        for (std::size_t i = 0; i < b.x.size(); ++i)
            if (!std::isfinite(b.x[i]) || !std::isfinite(b.y[i])) std::abort();
    }
    return 0;
}
