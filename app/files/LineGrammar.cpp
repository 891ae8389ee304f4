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
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define HALDEN_VECTOR_ROWS 1
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

// One line from p by the general rules: its end goes to lineEnd; true with
// its two values when it is a data line.
inline bool generalLine(const char* p, const char* end, const char*& lineEnd, double& x, double& y) {
    const char* q = p;
    while (q != end && *q != '\n' && *q != '\r') ++q;
    lineEnd = q;
    if (q == p) return false;
    FastFields f;
    if (fastLine(p, q, end, f)) {
        x = f.x / f.xDivisor;
        y = f.y / f.yDivisor;
        return true;
    }
    DataPoint point;
    if (!readLine(p, q, point)) return false;
    x = point.x;
    y = point.y;
    return true;
}

#if defined(HALDEN_VECTOR_ROWS)

// ---- vector reader for rows of known layouts ----
//
// Saved files repeat a handful of row layouts: "532.117 1843.000\r\n" and
// "1012.345 843.000\r\n" differ only in where the digits are. A layout is
// a row of the fast shape (an optional '-', digits, optionally '.' and
// digits, at most 15 digits in all; a run of tabs, commas or spaces; a second
// such number; CR, LF or CR LF) of at most 32 bytes, with its digits as 0.
// Row ends are found 64 bytes at a time ahead of the rows. A row is looked up
// by the places of its non-digit bytes and checked byte for byte against the
// layout found; then its digits are gathered into two lanes (one per number,
// right-aligned), converted in a few multiply-adds, and each number is
// divided by its power of ten: the value atof gives, as the digits are below
// 2^53 and the power of ten is exact. CR LF is one row end, so the empty
// line between CR and LF costs nothing. Any other line takes the general
// path.

constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

constexpr unsigned kLayoutBytes = 32;  // rows up to this long, line end included

struct alignas(32) RowLayout {
    unsigned char literal[kLayoutBytes];  // the row's bytes (its digits as 0)
    unsigned char gather[kLayoutBytes];   // source byte of each lane byte (a non-digit: 0)
    // The same as shuffle indices into each 16-byte half of the row, per
    // 16-byte lane; 0x80 (a zero) where the source is in the other half.
    unsigned char fromLow[kLayoutBytes];
    unsigned char fromHigh[kLayoutBytes];
    std::uint32_t key;                    // the places of the non-digit bytes
    double divisor[2];                    // the power of ten, negative for a negative number
    bool wide;                            // a number of more than 8 digits: 16-byte lanes
};

// The layouts met by one thread, found by the places of their non-digit bytes
// (a hash into 256 slots; the multiplier changes when two layouts collide).
// Kept from text to text: the files of one folder share their layouts.
struct RowLayouts {
    static constexpr int kCount = 32;  // layout 0 matches no row (its key is 0)
    RowLayout layout[kCount];
    const RowLayout* slot[256];
    std::uint64_t multiplier = kMultipliers[0];
    int used = 1;
    int multiplierIndex = 0;

    RowLayouts() {
        layout[0].key = 0;
        clearSlots();
    }

    static constexpr std::uint64_t kMultipliers[] = {0x9E3779B97F4A7C15ULL, 0xC2B2AE3D27D4EB4FULL,
                                                     0x165667B19E3779F9ULL, 0xD6E8FEB86659FD93ULL,
                                                     0xFF51AFD7ED558CCDULL, 0xC4CEB9FE1A85EC53ULL};

    static unsigned hash(std::uint32_t key, std::uint64_t multiplier) {
        return static_cast<unsigned>((key * multiplier) >> 56);
    }

    void clearSlots() {
        for (const RowLayout*& s : slot) s = &layout[0];
    }

    // Places every layout in the slots; false when two keys collide.
    bool place() {
        clearSlots();
        for (int k = 1; k < used; ++k) {
            const RowLayout*& s = slot[hash(layout[k].key, multiplier)];
            if (s != &layout[0] && s->key != layout[k].key) return false;
            s = &layout[k];
        }
        return true;
    }

    // Adds a layout and returns it.
    __attribute__((noinline)) const RowLayout* add(const RowLayout& fresh) {
        if (used == kCount) used = 1;  // an odd text: start over
        layout[used++] = fresh;
        const int first = multiplierIndex;
        while (!place()) {
            multiplierIndex = (multiplierIndex + 1) % static_cast<int>(std::size(kMultipliers));
            multiplier = kMultipliers[multiplierIndex];
            if (multiplierIndex == first) {
                place();  // no multiplier separates them all: the newest takes its slot
                break;
            }
        }
        slot[hash(fresh.key, multiplier)] = &layout[used - 1];
        return &layout[used - 1];
    }
};

// This thread's layouts (one lookup per text).
__attribute__((noinline)) RowLayouts& threadLayouts() {
    static thread_local RowLayouts layouts;
    return layouts;
}

inline bool isDigitByte(char c) { return static_cast<unsigned char>(c - '0') <= 9; }
inline bool isSeparatorByte(char c) { return c == ' ' || c == '\t' || c == ','; }

// The layout of the row [p, p + length) (its last byte CR or LF, and
// kLayoutBytes readable from p); false when the row is not of the fast shape.
__attribute__((noinline)) bool buildLayout(const char* p, unsigned length, RowLayout& r) {
    unsigned pos = 0;
    unsigned char digitAt[2][16];
    unsigned digits[2], fraction[2];
    bool negative[2];
    unsigned separator = 0;
    for (int f = 0; f < 2; ++f) {
        if (f == 1) {
            const unsigned gap = pos;
            separator = pos;
            while (pos < length && isSeparatorByte(p[pos])) ++pos;
            if (pos == gap) return false;
        }
        negative[f] = pos < length && p[pos] == '-';
        pos += negative[f] ? 1 : 0;
        unsigned n = 0;
        while (pos < length && isDigitByte(p[pos])) {
            if (n == 15) return false;
            digitAt[f][n++] = static_cast<unsigned char>(pos++);
        }
        if (n == 0) return false;
        unsigned after = 0;
        if (pos < length && p[pos] == '.') {
            ++pos;
            while (pos < length && isDigitByte(p[pos])) {
                if (n == 15) return false;
                digitAt[f][n++] = static_cast<unsigned char>(pos++);
                ++after;
            }
            if (after == 0) return false;
        }
        digits[f] = n;
        fraction[f] = after;
    }
    // What is left is the line end: CR, LF or CR LF.
    const unsigned rest = length - pos;
    if (!(rest == 1 || (rest == 2 && p[pos] == '\r' && p[pos + 1] == '\n'))) return false;
    r.key = 0;
    for (unsigned i = 0; i < kLayoutBytes; ++i) {
        const bool digit = i < length && isDigitByte(p[i]);
        r.literal[i] = (i < length && !digit) ? static_cast<unsigned char>(p[i]) : 0;
        if (i < length && !digit) r.key |= 1U << i;
        r.gather[i] = static_cast<unsigned char>(separator);  // a byte that is not a digit reads as 0
    }
    r.wide = digits[0] > 8 || digits[1] > 8;
    const unsigned lane = r.wide ? 16 : 8;
    for (int f = 0; f < 2; ++f) {
        const unsigned first = lane * static_cast<unsigned>(f + 1) - digits[f];
        for (unsigned j = 0; j < digits[f]; ++j) r.gather[first + j] = digitAt[f][j];
        // Dividing by -d gives exactly -(x / d), -0 for zero digits included.
        r.divisor[f] = negative[f] ? -kExactPowersOfTen[fraction[f]] : kExactPowersOfTen[fraction[f]];
    }
    for (unsigned i = 0; i < kLayoutBytes; ++i) {
        const unsigned source = r.gather[i];
        r.fromLow[i] = static_cast<unsigned char>(source < 16 ? source : 0x80);
        r.fromHigh[i] = static_cast<unsigned char>(source >= 16 ? source - 16 : 0x80);
    }
    return true;
}

// The row [start, last] by the general rules (its content ends before CR LF):
// true with its values when it is a data line.
__attribute__((noinline)) bool generalRow(const char* start, const char* last, double& x, double& y) {
    const char* contentEnd = (*last == '\n' && last != start && last[-1] == '\r') ? last - 1 : last;
    const char* lineEnd;
    return contentEnd != start && generalLine(start, contentEnd, lineEnd, x, y);
}

namespace avx512 {
// Only 256-bit vectors: 512-bit ones would close a vector port.
#define HALDEN_ROWS_TARGET __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,bmi,bmi2")))
#define HALDEN_ROWS_VBMI 1
#include "files/VectorRows.inc"
#undef HALDEN_ROWS_VBMI
#undef HALDEN_ROWS_TARGET
}  // namespace avx512

namespace avx2 {
#define HALDEN_ROWS_TARGET __attribute__((target("avx2,bmi,bmi2")))
#define HALDEN_ROWS_VBMI 0
#include "files/VectorRows.inc"
#undef HALDEN_ROWS_VBMI
#undef HALDEN_ROWS_TARGET
}  // namespace avx2

bool avx512RowsSupported() {
    static const bool supported = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                                  __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                                  __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("bmi") &&
                                  __builtin_cpu_supports("bmi2");
    return supported;
}

bool avx2RowsSupported() {
    static const bool supported =
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
    return supported;
}

#else

bool avx512RowsSupported() { return false; }
bool avx2RowsSupported() { return false; }

namespace avx512 {
void readRows(const char*, const char*, std::size_t, double*, double*, std::size_t&, bool&) {}
}  // namespace avx512
namespace avx2 {
void readRows(const char*, const char*, std::size_t, double*, double*, std::size_t&, bool&) {}
}  // namespace avx2

#endif

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
    readDataLinesWith(bytes, maxLines, out, RowReader::Best);
}

bool rowReaderAvailable(RowReader reader) {
    switch (reader) {
        case RowReader::Avx512: return avx512RowsSupported();
        case RowReader::Avx2: return avx2RowsSupported();
        case RowReader::Best:
        case RowReader::Portable: return true;
    }
    return false;
}

RowReader bestRowReader() {
    if (avx512RowsSupported()) return RowReader::Avx512;
    if (avx2RowsSupported()) return RowReader::Avx2;
    return RowReader::Portable;
}

void readDataLinesWith(std::string_view bytes, std::size_t maxLines, DataLines& out, RowReader reader) {
    // Growing to the most rows the bytes can hold writes only what an
    // earlier, shorter parse did not leave in place.
    const std::size_t room = dataRowRoom(bytes, maxLines);
    if (out.x.size() < room) out.x.resize(room);
    if (out.y.size() < room) out.y.resize(room);
    const std::size_t rows = readDataRowsWith(bytes, maxLines, out.x.data(), out.y.data(), out.overflow, reader);
    out.x.resize(rows);
    out.y.resize(rows);
}

std::size_t dataRowRoom(std::string_view bytes, std::size_t maxLines) {
    // A data line takes at least 3 bytes and a line end (the last line may
    // lack it).
    return std::min(maxLines, bytes.size() / 4 + 1);
}

std::size_t readDataRows(std::string_view bytes, std::size_t maxLines, double* xs, double* ys, bool& overflow) {
    return readDataRowsWith(bytes, maxLines, xs, ys, overflow, RowReader::Best);
}

std::size_t readDataRowsWith(std::string_view bytes, std::size_t maxLines, double* xs, double* ys, bool& overflow,
                             RowReader reader) {
    overflow = false;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    std::size_t rows = 0;

    if (reader == RowReader::Best || !rowReaderAvailable(reader)) reader = bestRowReader();
    if (reader == RowReader::Avx512) {
        avx512::readRows(p, end, maxLines, xs, ys, rows, overflow);
        return rows;
    }
    if (reader == RowReader::Avx2) {
        avx2::readRows(p, end, maxLines, xs, ys, rows, overflow);
        return rows;
    }

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
                DataPoint point;
                if (!data && readLine(p, lineEnd, point)) {
                    f = {point.x, 1.0, point.y, 1.0};
                    data = true;
                }
                if (data) {
                    if (rows >= maxLines) {
                        overflow = true;
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
