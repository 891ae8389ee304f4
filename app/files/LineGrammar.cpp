#include "files/LineGrammar.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
constexpr std::uint64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

inline std::uint64_t load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;  // little-endian: byte 0 in the low bits
}

// The number of leading ASCII digits among the 8 bytes of v (0..8).
inline int digitRun(std::uint64_t v) {
    const std::uint64_t x = v ^ 0x3030303030303030ULL;  // digits become 0..9
    // A byte above 9 gets its high bit from x itself (>= 0x80) or from the
    // sum; carries only reach higher bytes, past the first non-digit.
    const std::uint64_t t = ((x + 0x7676767676767676ULL) | x) & 0x8080808080808080ULL;
    return t ? (__builtin_ctzll(t) >> 3) : 8;
}

// The value of the first n (1..8) bytes of v, all digits.
inline std::uint64_t digitsValue(std::uint64_t v, int n) {
    std::uint64_t x = (v ^ 0x3030303030303030ULL) << (64 - 8 * n);  // leading zero digits
    x = (x * 10) + (x >> 8);
    x = (((x & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32))) +
         (((x >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32)))) >>
        32;
    return x & 0xFFFFFFFFULL;
}

// One number of the fast shape at p as its signed digits (an exact
// double) and the power of ten to divide them by; false when p does not
// start one (or the bytes end too soon to look at it in 8-byte steps).
inline bool fastNumber(const char*& p, const char* end, double& digits, double& divisor) {
    const char* q = p;
    const bool negative = (q != end && *q == '-');
    q += negative;
    if (end - q < 17) return false;
    std::uint64_t w = load8(q);
    const int whole = digitRun(w);
    if (whole == 0 || whole == 8) return false;
    q += whole;
    std::uint64_t mantissa;
    int fraction = 0;
    if (*q == '.') {
        const std::uint64_t after = load8(q + 1);
        fraction = digitRun(after);
        if (fraction == 0 || fraction == 8) return false;
        if (whole + fraction <= 8) {
            // Both digit runs side by side in one word, converted at once.
            const std::uint64_t wholeBytes = (1ULL << (8 * whole)) - 1;
            mantissa = digitsValue((w & wholeBytes) | (after << (8 * whole)), whole + fraction);
        } else {
            mantissa = digitsValue(w, whole) * kScale[fraction] + digitsValue(after, fraction);
        }
        q += 1 + fraction;
    } else {
        mantissa = digitsValue(w, whole);
    }
    const double v = static_cast<double>(mantissa);
    digits = negative ? -v : v;  // rounding is symmetric: -(a / b) == (-a) / b
    divisor = kPowersOfTen[fraction];
    p = q;
    return true;
}

// Raw fields of a fast-shape line: value = digits / divisor.
struct FastFields {
    double x, xDivisor, y, yDivisor;
};

// The line [p, lineEnd) in the fast shape; end is the end of the bytes.
inline bool fastLine(const char* p, const char* lineEnd, const char* end, FastFields& f) {
    const char* q = p;
    if (!fastNumber(q, end, f.x, f.xDivisor)) return false;
    const char* gap = q;
    while (q != lineEnd && (classOf(*q) & kSeparator)) ++q;
    if (q == gap) return false;
    if (!fastNumber(q, end, f.y, f.yDivisor)) return false;
    return q == lineEnd;
}

// Finds line ends (CR or LF) 64 bytes at a time, so that where the next line
// starts never waits for the parsing of this one.
class LineEnds {
public:
    LineEnds(const char* begin, const char* end) : block_(begin), end_(end) { load(); }

    // The first CR or LF at or after from (from within the bytes), or end.
    const char* next(const char* from) {
        for (;;) {
            const auto offset = static_cast<unsigned>(from - block_);
            if (offset < 64) {
                const std::uint64_t ahead = bits_ & (~0ULL << offset);
                if (ahead) return block_ + __builtin_ctzll(ahead);
            }
            block_ += 64;
            if (block_ >= end_) return end_;
            load();
            from = block_;
        }
    }

private:
    void load() {
        bits_ = 0;
        const std::ptrdiff_t left = end_ - block_;
#if defined(__SSE2__)
        if (left >= 64) {
            const __m128i cr = _mm_set1_epi8('\r');
            const __m128i lf = _mm_set1_epi8('\n');
            for (int k = 0; k < 4; ++k) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block_ + 16 * k));
                const auto m = static_cast<unsigned>(
                    _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
                bits_ |= static_cast<std::uint64_t>(m) << (16 * k);
            }
            return;
        }
#endif
        const std::ptrdiff_t n = left < 64 ? left : 64;
        for (std::ptrdiff_t k = 0; k < n; ++k)
            if (block_[k] == '\r' || block_[k] == '\n') bits_ |= 1ULL << k;
    }

    const char* block_;
    const char* end_;
    std::uint64_t bits_ = 0;
};

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
    readDataLines(bytes, maxLines, out);
    return out;
}

void readDataLines(std::string_view bytes, std::size_t maxLines, DataLines& out) {
    out.overflow = false;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    // A data line takes at least 3 bytes and a line end (the last line may
    // lack it), which bounds the rows; growing to the bound writes only what
    // an earlier, shorter parse did not leave in place.
    const std::size_t room = std::min(maxLines, bytes.size() / 4 + 1);
    if (out.x.size() < room) out.x.resize(room);
    if (out.y.size() < room) out.y.resize(room);
    double* xs = out.x.data();
    double* ys = out.y.data();
    std::size_t rows = 0;

    // The fast path leaves digits in xs / ys and the divisors here; the
    // divisions run in batches, where they vectorise (a general-path value
    // gets divisor 1, which changes no bit).
    constexpr std::size_t kBatch = 256;
    double xDivisor[kBatch], yDivisor[kBatch];
    std::size_t batchStart = 0;
    const auto flush = [&] {
        const std::size_t n = rows - batchStart;
        double* bx = xs + batchStart;
        double* by = ys + batchStart;
        for (std::size_t k = 0; k < n; ++k) bx[k] = bx[k] / xDivisor[k];
        for (std::size_t k = 0; k < n; ++k) by[k] = by[k] / yDivisor[k];
        batchStart = rows;
    };

    if (p != end) {
        LineEnds lineEnds(p, end);
        while (p != end) {
            const char* lineEnd = lineEnds.next(p);
            if (lineEnd != p) {
                FastFields f;
                bool data = fastLine(p, lineEnd, end, f);
                if (!data && testLine(p, lineEnd)) {
                    const DataPoint point = parseLine(p, lineEnd);
                    f = {point.x, 1.0, point.y, 1.0};
                    data = true;
                }
                if (data) {
                    if (rows >= maxLines) {
                        out.overflow = true;
                        break;
                    }
                    xs[rows] = f.x;
                    ys[rows] = f.y;
                    xDivisor[rows - batchStart] = f.xDivisor;
                    yDivisor[rows - batchStart] = f.yDivisor;
                    ++rows;
                    if (rows - batchStart == kBatch) flush();
                }
            }
            p = (lineEnd == end) ? end : lineEnd + 1;
        }
    }
    flush();
    out.x.resize(rows);
    out.y.resize(rows);
}

DataLines readDataLinesPlain(std::string_view bytes, std::size_t maxLines) {
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
