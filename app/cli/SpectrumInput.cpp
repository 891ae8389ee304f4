#include "cli/SpectrumInput.h"

#include <charconv>
#include <cmath>

#include "common/Messages.h"
#include "database/DatabaseFile.h"
#include "files/AtomicFile.h"

namespace halden::cli {

DataLines readSpectrumLines(const std::string& path, std::string& error) {
    std::string bytes;
    std::size_t length = 0;
    if (readWholeFile(path, bytes, length) != FileRead::Ok) {
        error = std::string(messages::kOpenFileError) + ": " + path;
        return {};
    }
    const std::string_view text(bytes.data(), length);
    if (isWideText(text)) {
        error = wideTextError(path);
        return {};
    }
    return readDataLines(text, kMaxDataLines);
}

std::optional<long long> parseWholeInteger(const std::string& text) {
    long long v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return v;
}

std::optional<double> parseWholeNumber(const std::string& text) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace halden::cli
