#include "files/LineGrammar.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "files/LineGrammarPaths.h"

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

// The data-line test and the two values: a line whose number does not fit a
// double (1e400) is not a data line either, so no infinity leaves the reader.
inline bool readLine(const char* begin, const char* end, DataPoint& point) {
    if (!testLine(begin, end)) return false;
    point = parseLine(begin, end);
    return std::isfinite(point.x) && std::isfinite(point.y);
}

// ---- fast path for the common row shape ----
//
// Rows written by the spectrum savers look like "532.117 1843.000": an
// optional '-', up to 7 digits, optionally '.' and 1 to 7 digits, a run of
// tabs, commas or spaces, a second such number, then CR, LF or the end. Such
// a line is always a data line, its two fields are exactly the two numbers,
// and each value (at most 14 digits, so below 2^53, over a power of ten up
// to 10^7) is one correctly rounded division of two exact doubles, which is
// the value atof gives. Every other line takes the general path.

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

inline bool isDigit(char ch) { return static_cast<unsigned char>(ch - '0') < 10; }

// A run of 1 to 7 digits at p, appended to mantissa; its length, or 0 when
// there is no such run.
inline int digitRun(const char*& p, const char* end, std::uint64_t& mantissa) {
    const char* start = p;
    while (p != end && isDigit(*p)) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    const long n = p - start;
    return (n >= 1 && n <= 7) ? static_cast<int>(n) : 0;
}

// One number of the fast shape at p; false when p does not start one.
inline bool fastNumber(const char*& p, const char* end, double& value) {
    const char* q = p;
    const bool negative = (q != end && *q == '-');
    q += negative;
    std::uint64_t mantissa = 0;
    if (!digitRun(q, end, mantissa)) return false;
    int fraction = 0;
    if (q != end && *q == '.') {
        ++q;
        fraction = digitRun(q, end, mantissa);
        if (!fraction) return false;
    }
    const double digits = static_cast<double>(mantissa);
    value = (negative ? -digits : digits) / kPowersOfTen[fraction];  // -(a / b) == (-a) / b
    p = q;
    return true;
}

// A row of the fast shape from p: its two values and, in p, where its line
// ends (CR, LF or the end of the bytes). False when the line has another shape.
inline bool fastRow(const char*& p, const char* end, DataPoint& point) {
    const char* q = p;
    if (!fastNumber(q, end, point.x)) return false;
    const char* gap = q;
    while (q != end && (classOf(*q) & kSeparator)) ++q;
    if (q == gap || !fastNumber(q, end, point.y)) return false;
    if (q != end && *q != '\r' && *q != '\n') return false;
    p = q;
    return true;
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
    DataPoint point;
    return readLine(line.data(), line.data() + line.size(), point);
}

bool isWideText(std::string_view bytes) {
    if (bytes.empty()) return false;
    const std::string_view mark = bytes.substr(0, 2);
    if (mark == "\xFF\xFE" || mark == "\xFE\xFF") return true;  // UTF-16 (and UTF-32 LE) byte-order marks
    return std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
}

DataPoint parseDataLine(std::string_view line) {
    return parseLine(line.data(), line.data() + line.size());
}


DataLines readDataLines(std::string_view bytes, std::size_t maxLines) {
    DataLines out;
    readDataLines(bytes, maxLines, out);
    return out;
}

void readDataLines(std::string_view bytes, std::size_t maxLines, DataLines& out) {
    // Growing to the most rows the bytes can hold writes only what an
    // earlier, shorter parse did not leave in place.
    const std::size_t room = dataRowRoom(bytes, maxLines);
    if (out.x.size() < room) out.x.resize(room);
    if (out.y.size() < room) out.y.resize(room);
    const std::size_t rows = readDataRows(bytes, maxLines, out.x.data(), out.y.data(), out.overflow);
    out.x.resize(rows);
    out.y.resize(rows);
}

std::size_t dataRowRoom(std::string_view bytes, std::size_t maxLines) {
    // A data line takes at least 3 bytes and a line end (the last line may
    // lack it).
    return std::min(maxLines, bytes.size() / 4 + 1);
}

std::size_t readDataRows(std::string_view bytes, std::size_t maxLines, double* xs, double* ys, bool& overflow) {
    overflow = false;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    std::size_t rows = 0;

    while (p != end) {
        const char* lineEnd = p;
        DataPoint point;
        if (!fastRow(lineEnd, end, point)) {
            while (lineEnd != end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
            if (lineEnd == p || !readLine(p, lineEnd, point)) {
                p = (lineEnd == end) ? end : lineEnd + 1;
                continue;
            }
        }
        if (rows >= maxLines) {
            overflow = true;
            break;
        }
        xs[rows] = point.x;
        ys[rows] = point.y;
        ++rows;
        // CR LF ends the row at once: the empty line between them is no data line.
        if (lineEnd != end && *lineEnd == '\r' && lineEnd + 1 != end && lineEnd[1] == '\n') ++lineEnd;
        p = (lineEnd == end) ? end : lineEnd + 1;
    }
    return rows;
}

DataLines readDataLinesPlain(std::string_view bytes, std::size_t maxLines) {
    DataLines out;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p != end) {
        const char* lineEnd = p;
        while (lineEnd != end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
        DataPoint point;
        if (lineEnd != p && readLine(p, lineEnd, point)) {
            if (out.x.size() >= maxLines) {
                out.overflow = true;
                break;
            }
            out.x.push_back(point.x);
            out.y.push_back(point.y);
        }
        p = (lineEnd == end) ? end : lineEnd + 1;
    }
    return out;
}

}  // namespace halden
