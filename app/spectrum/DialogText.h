// Numbers in the texts of edits: read leniently as atof/atoi read them and
// written with printf-style formats, independent of the process locale (the
// window runs under the user's locale, the texts always use '.').
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace halden {

// Leading decimal number of the text (leading blanks skipped, optional sign,
// digits, '.', exponent). Text without a number, and infinities or NaN, read
// as 0.
double parseDecimal(std::string_view text);

// Leading integer of the text as atoi reads it; 0 without one. Values beyond
// the 32-bit range are held at its ends.
std::int32_t parseInteger(std::string_view text);

// The whole text as one finite decimal number (blanks around it allowed);
// false for an empty text, trailing characters, infinities and NaN.
bool parseWholeDecimal(std::string_view text, double& value);

// printf "%.<decimals>f".
std::string formatFixed(double value, int decimals);
// printf "%d".
std::string formatInt(long long value);
// printf "%.<decimals>E" (upper-case exponent, at least two exponent digits).
std::string formatScientific(double value, int decimals);

// A double converted to an integer type by truncation toward zero, held
// inside [lo, hi] first (NaN gives lo).
long long truncClamp(double value, long long lo, long long hi);

}  // namespace halden
