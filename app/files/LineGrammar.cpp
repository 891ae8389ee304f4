#include "files/LineGrammar.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace halden {

namespace {

enum : std::uint8_t {
    kReject = 1,     // a byte that makes the line a non-data line
    kDigit = 2,
    kSeparator = 4,  // tab, comma, space
    kFirstStart = 8,   // may start the first number: digit - . E e
    kSecondStart = 16, // may start the second number: digit - .
};

constexpr std::array<std::uint8_t, 256> makeClasses() {
    std::array<std::uint8_t, 256> c{};
    for (int b = 0x21; b <= 0x2A; ++b) c[b] = kReject;
    c['/'] = kReject;
    for (int b = ':'; b <= 0x7F; ++b) c[b] = kReject;
    c['E'] = kFirstStart;
    c['e'] = kFirstStart;
    for (int b = '0'; b <= '9'; ++b) c[b] = kDigit | kFirstStart | kSecondStart;
    c['-'] = kFirstStart | kSecondStart;
    c['.'] = kFirstStart | kSecondStart;
    c['\t'] = kSeparator;
    c[','] = kSeparator;
    c[' '] = kSeparator;
    return c;
}

constexpr std::array<std::uint8_t, 256> kClasses = makeClasses();

inline std::uint8_t classOf(char ch) { return kClasses[static_cast<unsigned char>(ch)]; }

inline bool isCSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

// The data-line test over one line: no rejected byte, and the states
// 0 -digit-> 1 -separator-> 2 -digit-> 3 reach 3.
inline bool testLine(const char* p, const char* end) {
    int state = 0;
    for (; p != end; ++p) {
        const std::uint8_t c = classOf(*p);
        if (c & kReject) return false;
        if (c & kDigit) {
            if (state == 0) state = 1;
            else if (state == 2) state = 3;
        } else if ((c & kSeparator) && state == 1) {
            state = 2;
        }
    }
    return state == 3;
}

inline DataPoint parseLine(const char* begin, const char* end) {
    DataPoint point;
    const char* p = begin;
    while (p != end && !(classOf(*p) & kFirstStart)) ++p;
    const char* first = p;
    while (p != end && !(classOf(*p) & kSeparator)) ++p;
    point.x = leadingNumber(std::string_view(first, static_cast<std::size_t>(p - first)));
    while (p != end && !(classOf(*p) & kSecondStart)) ++p;
    const char* second = p;
    while (p != end && !(classOf(*p) & kSeparator)) ++p;
    point.y = leadingNumber(std::string_view(second, static_cast<std::size_t>(p - second)));
    return point;
}

}  // namespace

double leadingNumber(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && isCSpace(*p)) ++p;
    if (p != end && *p == '+') {
        ++p;
        if (p != end && *p == '-') return 0;  // "+-1" is not a number
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(p, end, value, std::chars_format::general);
    if (ec == std::errc()) return value;
    if (ec == std::errc::result_out_of_range) {
        // Too large becomes +-HUGE_VAL, too small becomes 0, as strtod does.
        const bool negative = (*p == '-');
        bool tiny = false;
        for (const char* q = p; q != ptr; ++q)
            if ((*q == 'e' || *q == 'E') && q + 1 != ptr && q[1] == '-') tiny = true;
        if (tiny) return negative ? -0.0 : 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return 0;
}

bool isDataLine(std::string_view line) {
    return testLine(line.data(), line.data() + line.size());
}

DataPoint parseDataLine(std::string_view line) {
    return parseLine(line.data(), line.data() + line.size());
}

DataLines readDataLines(std::string_view bytes, std::size_t maxLines) {
    DataLines out;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p != end) {
        const char* lineEnd = p;
        while (lineEnd != end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
        if (lineEnd != p && testLine(p, lineEnd)) {
            if (out.x.size() >= maxLines) {
                out.overflow = true;
                break;
            }
            const DataPoint point = parseLine(p, lineEnd);
            out.x.push_back(point.x);
            out.y.push_back(point.y);
        }
        p = (lineEnd == end) ? end : lineEnd + 1;
    }
    return out;
}

}  // namespace halden
