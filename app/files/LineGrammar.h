// The line grammar of spectrum text files, shared by the spectrum, reference
// and database loaders. A line ends at CR, at LF or at the end of the bytes.
// A data line holds only digits, '+', ',', '-', '.', 'E', 'e', blanks, control
// bytes and bytes 0x80-0xFF, and reads as a number, a separator (tab, comma or
// space), then another number, both of which fit a double (1e400 does not).
// Every other line is skipped.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace halden {

inline constexpr std::size_t kMaxDataLines = 4096;  // rows one spectrum file may contribute

// True when the line (without its CR/LF) is a data line.
bool isDataLine(std::string_view line);

// True when the bytes are UTF-16 or UTF-32 text, not 8-bit text: they start
// with a byte-order mark of either, or hold a NUL byte, which 8-bit text
// never does. The loaders refuse such files rather than read nonsense.
bool isWideText(std::string_view bytes);

struct DataPoint {
    double x = 0;
    double y = 0;
};

// The two numbers of a data line: the first starts at the first digit, '-',
// '.', 'E' or 'e' and runs to the next tab, comma or space; the second starts
// at the next digit, '-' or '.' and runs to the next tab, comma, space or the
// end of the line. Each reads its leading number as atof does (0 when none).
DataPoint parseDataLine(std::string_view line);

struct DataLines {
    std::vector<double> x, y;  // at most maxLines values each
    bool overflow = false;     // the bytes hold more than maxLines data lines
};

// Every data line of the bytes, LF-only and CR LF alike. Stops at maxLines
// (and sets overflow when another data line follows). Rows as the savers
// write them take a fast path that gives what reading each line field by
// field gives, bit for bit.
DataLines readDataLines(std::string_view bytes, std::size_t maxLines = kMaxDataLines);

// The same into out, whose vectors keep their capacity from one file to the
// next.
void readDataLines(std::string_view bytes, std::size_t maxLines, DataLines& out);

// The rows the bytes can hold, at most maxLines: the room readDataRows needs.
std::size_t dataRowRoom(std::string_view bytes, std::size_t maxLines);

// The same as readDataLines into xs and ys, each with room for
// dataRowRoom(bytes, maxLines) values; returns the rows read.
std::size_t readDataRows(std::string_view bytes, std::size_t maxLines, double* xs, double* ys, bool& overflow);

// The leading decimal number of text as atof reads it (leading white space
// skipped, 0 when there is none), independent of the process locale.
double leadingNumber(std::string_view text);

}  // namespace halden
