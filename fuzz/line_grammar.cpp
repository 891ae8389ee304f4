// Feeds arbitrary bytes to the spectrum-file line grammar and checks the
// reader's limits and its agreement with the per-line test.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/LineGrammar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t limit = size % 64;
    const halden::DataLines d = halden::readDataLines(bytes, limit);
    if (d.x.size() != d.y.size() || d.x.size() > limit) std::abort();

    std::size_t count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || bytes[i] == '\n' || bytes[i] == '\r') {
            const std::string_view line = bytes.substr(start, i - start);
            if (halden::isDataLine(line)) {
                (void)halden::parseDataLine(line);
                ++count;
            }
            start = i + 1;
        }
    }
    if (d.overflow != (count > limit)) std::abort();
    if (!d.overflow && d.x.size() != count) std::abort();
    return 0;
}
