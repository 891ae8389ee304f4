// Reading one database file: every data line of the spectrum text grammar
// (CR LF, CR-only and LF-only line ends alike), at most kMaxDataLines points,
// stored with ascending x.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace halden {

struct DatabaseRows {
    std::size_t points = 0;
    bool truncated = false;  // the file held more data lines than are kept
};

// Parses file bytes into x and y, each with room for kMaxDataLines values;
// reverses the points when the first x is greater than the last so that x
// ascends.
DatabaseRows parseDatabaseRows(std::string_view bytes, double* x, double* y);

enum class FileRead { Ok, NotRegular, Unreadable, TooLarge };

// Largest database file read (bytes); a larger one is TooLarge, unread.
inline constexpr std::size_t kMaxDatabaseFileBytes = 64u * 1024 * 1024;

// Reads the whole file at path into buffer, which only ever grows so that it
// is reused between files; length receives the number of bytes read (0 for
// anything but a readable regular file of at most kMaxDatabaseFileBytes).
FileRead readWholeFile(const std::string& path, std::string& buffer, std::size_t& length);

// The same for the entry name of the folder open as folderFd (a descriptor
// of a directory), which spares looking the folder up for every file.
FileRead readWholeFileAt(int folderFd, const std::string& name, std::string& buffer, std::size_t& length);

}  // namespace halden
