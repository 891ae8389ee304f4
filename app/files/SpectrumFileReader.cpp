#include "files/SpectrumFileReader.h"

#include "files/AtomicFile.h"
#include "files/JcampFile.h"
#include "files/LineGrammar.h"

namespace halden {

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

std::string wideTextError(const std::string& path) {
    return "'" + path + "' is UTF-16 or other wide text; save it as 8-bit text (ASCII or UTF-8)";
}

}  // namespace halden
