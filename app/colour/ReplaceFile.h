// Replaces a file's contents atomically: the bytes go to a temporary file in
// the same folder, which is then renamed over the target. On any failure the
// target is left as it was.
#pragma once

#include <string>
#include <string_view>

namespace halden {

bool replaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace halden
