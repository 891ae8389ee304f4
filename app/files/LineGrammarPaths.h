// The plain row reader, for the tests and the fuzzer that hold the fast
// reader of LineGrammar.cpp to it: every line is tested and parsed field by
// field. readDataLines must give exactly the same rows, bit for bit.
#pragma once

#include "files/LineGrammar.h"

namespace halden {

DataLines readDataLinesPlain(std::string_view bytes, std::size_t maxLines = kMaxDataLines);

}  // namespace halden
