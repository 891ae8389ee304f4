// Reading spectrum text files given on the command line (readSpectrumInput
// lives in the core, files/SpectrumFileReader.h), and the strict number
// parsing of command options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "files/LineGrammar.h"
#include "files/SpectrumFileReader.h"

namespace halden::cli {

// The data lines of a spectrum file as gauss and compare read it: the first
// 4096 kept (overflow tells of more), no lower bound; error says why a file
// that cannot be opened or is UTF-16 gives none.
DataLines readSpectrumLines(const std::string& path, std::string& error);

// The whole text as a decimal integer / number, or nothing.
std::optional<long long> parseWholeInteger(const std::string& text);
std::optional<double> parseWholeNumber(const std::string& text);

}  // namespace halden::cli
