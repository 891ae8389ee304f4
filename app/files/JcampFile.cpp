#include "files/JcampFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>

namespace halden {

namespace {

constexpr const char* kCompressed =
    "it holds compressed data (the SQZ, DIF or DUP forms); only plain numbers (AFFN) are read";

std::string normalise(std::string_view name) {
    std::string out;
    for (char c : name)
        if (c != ' ' && c != '\t' && c != '-' && c != '/' && c != '_')
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::optional<double> number(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

bool isSeparator(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

// The AFFN numbers of a data line: separated by blanks, commas or
// semicolons, or by the sign of the next number. "?" stands for a value
// that is missing (NaN). False, with why, for a line that is not AFFN.
bool affnNumbers(std::string_view line, std::vector<double>& out, std::string& error) {
    out.clear();
    for (char c : line) {
        const bool letter = std::isalpha(static_cast<unsigned char>(c)) && c != 'E' && c != 'e';
        if (letter || c == '@' || c == '%') {
            error = kCompressed;
            return false;
        }
    }
    std::size_t i = 0;
    while (i < line.size()) {
        if (isSeparator(line[i]) || line[i] == '\r') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < line.size() && !isSeparator(line[end])) {
            const char c = line[end];
            // A sign starts the next number unless it follows an exponent.
            if ((c == '+' || c == '-') && line[end - 1] != 'E' && line[end - 1] != 'e') break;
            ++end;
        }
        const std::string_view token = line.substr(i, end - i);
        if (token == "?") {
            out.push_back(std::nan(""));
        } else if (const auto v = number(token)) {
            out.push_back(*v);
        } else {
            error = "\"" + std::string(token) + "\" is not a number";
            return false;
        }
        i = end;
    }
    return true;
}

enum class DataForm { None, Points, Table };

struct BlockState {
    JcampBlock block;
    double xFactor = 1, yFactor = 1;
    std::optional<double> firstX, lastX;
    std::optional<long> points;
    std::optional<double> pendingX;  // an (XY..XY) pair split over two lines
};

double labelNumber(std::string_view value, double fallback) {
    const auto v = number(value);
    return v ? *v : fallback;
}

}  // namespace

std::string JcampBlock::label(std::string_view name) const {
    const std::string wanted = normalise(name);
    for (const auto& [n, v] : labels)
        if (normalise(n) == wanted) return v;
    return {};
}

JcampFile parseJcamp(std::string_view text) {
    JcampFile out;
    BlockState state;
    DataForm form = DataForm::None;
    std::string refusal;
    std::vector<double> values;
    auto finish = [&] {
        if (!state.block.x.empty()) out.blocks.push_back(std::move(state.block));
        state = BlockState{};
    };

    std::size_t at = 0;
    int lineNumber = 0;
    while (at <= text.size() && refusal.empty()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (end < text.size() && text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
        ++lineNumber;
        if (const std::size_t comment = line.find("$$"); comment != std::string_view::npos) line = line.substr(0, comment);
        line = trim(line);
        if (line.empty()) {
            if (end >= text.size()) break;
            continue;
        }

        if (line.rfind("##", 0) == 0) {
            form = DataForm::None;
            const std::size_t equals = line.find('=');
            const std::string_view name = trim(line.substr(2, equals == std::string_view::npos ? line.size() : equals - 2));
            const std::string_view value = equals == std::string_view::npos ? std::string_view() : trim(line.substr(equals + 1));
            const std::string key = normalise(name);
            if (key == "TITLE") {
                finish();
                state.block.title = std::string(value);
            }
            state.block.labels.emplace_back(std::string(name), std::string(value));
            if (key == "XFACTOR") state.xFactor = labelNumber(value, 1);
            else if (key == "YFACTOR") state.yFactor = labelNumber(value, 1);
            else if (key == "FIRSTX") state.firstX = number(value);
            else if (key == "LASTX") state.lastX = number(value);
            else if (key == "NPOINTS") {
                if (const auto n = number(value)) state.points = static_cast<long>(*n);
            } else if (key == "XYPOINTS") {
                if (normalise(value) == "(XY..XY)") form = DataForm::Points;
                else refusal = "its ##XYPOINTS form " + std::string(value) + " is not (XY..XY)";
            } else if (key == "XYDATA") {
                if (normalise(value) != "(X++(Y..Y))") {
                    refusal = "its ##XYDATA form " + std::string(value) + " is not (X++(Y..Y))";
                } else if (!state.firstX || !state.lastX || !state.points || *state.points < 1) {
                    refusal = "its ##XYDATA needs ##FIRSTX, ##LASTX and ##NPOINTS before it";
                } else {
                    form = DataForm::Table;
                }
            } else if (key == "END") {
                finish();
            }
            continue;
        }

        std::string why;
        if (form == DataForm::None) continue;  // the rest of a label's value
        if (!affnNumbers(line, values, why)) {
            refusal = "line " + std::to_string(lineNumber) + ": " + why;
            break;
        }
        JcampBlock& b = state.block;
        if (form == DataForm::Points) {
            for (double v : values) {
                if (!state.pendingX) {
                    state.pendingX = v;
                    continue;
                }
                const double x = *state.pendingX * state.xFactor, y = v * state.yFactor;
                state.pendingX.reset();
                // A missing value, or one the factor takes past a double.
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                b.x.push_back(x);
                b.y.push_back(y);
            }
        } else if (!values.empty()) {
            const double step = *state.points > 1 ? (*state.lastX - *state.firstX) / (*state.points - 1) : 0.0;
            const double x0 = values.front() * state.xFactor;
            for (std::size_t k = 1; k < values.size(); ++k) {
                const double x = x0 + step * static_cast<double>(k - 1), y = values[k] * state.yFactor;
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                b.x.push_back(x);
                b.y.push_back(y);
            }
        }
    }
    if (refusal.empty()) finish();  // a last block without ##END=
    if (!refusal.empty()) {
        out.blocks.clear();
        out.error = refusal;
    } else if (out.blocks.empty()) {
        out.error = "it holds no spectrum (##XYPOINTS=(XY..XY) or ##XYDATA=(X++(Y..Y)))";
    }
    return out;
}

bool isJcampFile(const std::string& path, std::string_view text) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".jdx" || ext == ".dx" || ext == ".jcamp") return true;
    const std::string_view start = trim(text.substr(0, 64));
    return normalise(start.substr(0, start.find('='))) == "##TITLE";
}

}  // namespace halden
