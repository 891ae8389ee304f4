// Reading one spectrum text file given by a path into x/y columns (the first
// two numbers of every data line), as halden-cli's commands and the Python
// module read their input files.
#pragma once

#include <string>
#include <vector>

namespace halden {

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

// The refusal of a UTF-16 (wide text) file, shared by the readers that read
// spectrum files their own way.
std::string wideTextError(const std::string& path);

}  // namespace halden
