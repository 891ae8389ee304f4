// Feeds arbitrary bytes to the spectrum-file line grammar and checks the
// reader's limits, its agreement with the per-line test, and that the fast
// row reader gives the plain reading bit for bit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "files/LineGrammar.h"
#include "files/LineGrammarPaths.h"

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

    // The fast reader gives the plain reading, bit for bit.
    for (std::size_t maxLines : {limit, halden::kMaxDataLines}) {
        const halden::DataLines plain = halden::readDataLinesPlain(bytes, maxLines);
        const halden::DataLines got = halden::readDataLines(bytes, maxLines);
        if (got.overflow != plain.overflow || got.x.size() != plain.x.size() || got.y.size() != plain.y.size())
            std::abort();
        if (!got.x.empty() && (std::memcmp(got.x.data(), plain.x.data(), got.x.size() * sizeof(double)) != 0 ||
                               std::memcmp(got.y.data(), plain.y.data(), got.y.size() * sizeof(double)) != 0))
            std::abort();
    }
    return 0;
}
