#include "cli/SpectrumInput.h"

#include <charconv>
#include <cmath>

#include "common/Messages.h"
#include "database/DatabaseFile.h"
#include "files/AtomicFile.h"
#include "files/JcampFile.h"

namespace halden::cli {

namespace {
constexpr std::size_t kInputLimit = 32u << 20;  // far above any spectrum file
}

SpectrumInput readSpectrumInput(const std::string& path) {
    SpectrumInput in;
    std::string bytes;
    const ReadResult read = readRegularFile(path, bytes, kInputLimit);
    switch (read.status) {
    case ReadStatus::Ok: break;
    case ReadStatus::TooLarge:
        in.error = "'" + path + "' is larger than 32 MB and not a spectrum file";
        return in;
    default:
        in.error = "cannot read '" + path + "': " + read.error;
        return in;
    }
    if (isWideText(bytes)) {
        in.error = wideTextError(path);
        return in;
    }
    DataLines lines;
    if (isJcampFile(path, bytes)) {
        // A JCAMP-DX file: its first spectrum.
        JcampFile file = parseJcamp(bytes);
        if (!file.ok()) {
            in.error = "'" + path + "' is not a readable JCAMP-DX file: " + file.error;
            return in;
        }
        lines.x = std::move(file.blocks.front().x);
        lines.y = std::move(file.blocks.front().y);
        lines.overflow = lines.x.size() > kMaxDataLines;
    } else {
        lines = readDataLines(bytes, kMaxDataLines);
    }
    if (lines.overflow) {
        in.error = "'" + path + "' holds more than " + std::to_string(kMaxDataLines) + " data lines";
        return in;
    }
    if (lines.x.empty()) {
        in.error = "'" + path + "' holds no data lines";
        return in;
    }
    in.x = std::move(lines.x);
    in.y = std::move(lines.y);
    return in;
}

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

std::string wideTextError(const std::string& path) {
    return "'" + path + "' is UTF-16 or other wide text; save it as 8-bit text (ASCII or UTF-8)";
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
