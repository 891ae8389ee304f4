// printf-style formatting in the "C" locale, whatever locale the process runs
// in, so that files always carry a point as the decimal separator.
#pragma once

#include <string>

namespace halden {

std::string cformat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace halden
