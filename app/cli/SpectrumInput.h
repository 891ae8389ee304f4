// Reading a spectrum text file given on the command line into x/y columns
// (the first two numbers of every data line), and the strict number parsing
// of command options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/LineGrammar.h"

namespace halden::cli {

struct SpectrumInput {
    std::vector<double> x, y;
    std::string error;  // non-empty: the file could not be used, and why
    bool ok() const { return error.empty(); }
};

// A regular file of 8-bit text with 1 to 4096 data lines (one spectrum), or
// the first spectrum of a JCAMP-DX file (at most 4096 points); an
// unreadable or special file (FIFO, device, folder), more than 32 MB, UTF-16
// text, no data line or more than 4096 are errors.
SpectrumInput readSpectrumInput(const std::string& path);

// The data lines of a spectrum file as gauss and compare read it: the first
// 4096 kept (overflow tells of more), no lower bound; error says why a file
// that cannot be opened or is UTF-16 gives none.
DataLines readSpectrumLines(const std::string& path, std::string& error);

// The refusal of a UTF-16 (wide text) file, shared by the commands that read
// spectrum files their own way.
std::string wideTextError(const std::string& path);

// The whole text as a decimal integer / number, or nothing.
std::optional<long long> parseWholeInteger(const std::string& text);
std::optional<double> parseWholeNumber(const std::string& text);

}  // namespace halden::cli
