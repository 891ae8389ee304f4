// The HID backend over Debian's hidapi (hidraw).
#pragma once

#include <string>
#include <string_view>

#include "hid/HidBackend.h"

namespace vantrel::hid {

Backend& hidapiBackend();

// hidapi hands out serial numbers as wide strings; the library keeps them as
// UTF-8. Invalid code points become '?'.
std::string narrowFromWide(const wchar_t* wide);
std::wstring wideFromNarrow(std::string_view narrow);

}  // namespace vantrel::hid
