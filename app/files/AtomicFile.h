// Replacing a file atomically: the bytes go to a temporary file in the same
// folder, are flushed to disk, and the temporary file is renamed over the
// target. On any failure the temporary file is removed and an existing file
// of that name is left as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halden {

struct WriteResult {
    bool ok = false;
    std::string error;  // what failed (for logs); the user sees the fixed message
};

WriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

class Prompt;

// writeFileAtomically, showing "ERROR DURING CREATION THE OUT FILE" (caption
// "ERROR") on failure. Returns true when the file was written.
bool writeFileOrReport(const std::string& path, std::string_view bytes, Prompt& prompt);

// The whole content of a file, or false when it cannot be opened or read.
// Reads at most limit + 1 bytes so callers can refuse files over the limit.
bool readFileBytes(const std::string& path, std::string& out, std::size_t limit);

}  // namespace halden
