// Every file the application writes or reads whole goes through here.
//
// Writing replaces a file atomically: the bytes go to a temporary file beside
// the target, are flushed to disk, and the temporary file is renamed over the
// target. On any failure the temporary file is removed and an existing file
// of that name is left as it was. A symbolic link is written through: the
// file it points to is replaced and the link stays. A target that exists but
// is not a regular file (a folder, FIFO, device) is never replaced.
//
// Reading accepts regular files only (a FIFO or device is refused at once,
// without waiting on it) and never reads more than the caller's limit + 1.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halden {

struct WriteResult {
    bool ok = false;
    std::string error;  // what failed, e.g. "write: No space left on device"
};

WriteResult writeFileAtomically(const std::string& path, std::string_view bytes);

class Prompt;

// writeFileAtomically, showing "ERROR DURING CREATION THE OUT FILE" (caption
// "ERROR") on failure. Returns true when the file was written.
bool writeFileOrReport(const std::string& path, std::string_view bytes, Prompt& prompt);

enum class ReadStatus {
    Ok,
    Unreadable,  // missing, no permission, a read error
    NotRegular,  // a folder, FIFO, socket or device
    TooLarge,    // more than the limit: out holds its first limit + 1 bytes
};

struct ReadResult {
    ReadStatus status = ReadStatus::Unreadable;
    std::string error;  // empty for Ok, else e.g. "not a regular file (a FIFO)"
    bool ok() const { return status == ReadStatus::Ok; }
};

// The whole content of a regular file of at most limit bytes.
ReadResult readRegularFile(const std::string& path, std::string& out, std::size_t limit);

// readRegularFile as a yes/no: true for Ok and TooLarge (out then holds
// limit + 1 bytes, so callers can refuse files over the limit).
bool readFileBytes(const std::string& path, std::string& out, std::size_t limit);

}  // namespace halden
