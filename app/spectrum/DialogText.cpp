#include "spectrum/DialogText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace halden {

namespace {

std::string_view skipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    return text.substr(i);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double parseDecimal(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // Only plain decimal numbers: from_chars would also take "inf" and "nan".
    if (text.empty() || !(isDigit(text[0]) || (text[0] == '.' && text.size() > 1 && isDigit(text[1]))))
        return 0.0;
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                           std::chars_format::general);
    // Overflow would be an infinity and underflow is 0: both read as 0.
    if (ec != std::errc() || !std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

bool parseWholeDecimal(std::string_view text, double& value) {
    text = skipBlanks(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !(isDigit(text[0]) || (text[0] == '.' && text.size() > 1 && isDigit(text[1]))))
        return false;
    double parsed = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed,
                                           std::chars_format::general);
    if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(parsed)) return false;
    value = negative ? -parsed : parsed;
    return true;
}

std::int32_t parseInteger(std::string_view text) {
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (!isDigit(c)) break;
        value = value * 10 + (c - '0');
        if (value > 1LL << 32) value = 1LL << 32;  // beyond the range either way
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::string formatFixed(double value, int decimals) {
    char buf[400];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return "0";
    return std::string(buf, ptr);
}

std::string formatInt(long long value) { return std::to_string(value); }

std::string formatScientific(double value, int decimals) {
    char buf[64];
    const auto [ptr, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, decimals);
    if (ec != std::errc()) return "0";
    std::string out(buf, ptr);
    for (char& c : out)
        if (c == 'e') c = 'E';
    return out;
}

long long truncClamp(double value, long long lo, long long hi) {
    if (!(value >= static_cast<double>(lo))) return lo;  // also NaN
    if (value >= static_cast<double>(hi)) return hi;
    const long long v = static_cast<long long>(value);  // truncates toward zero
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace halden
