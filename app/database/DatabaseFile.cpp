#include "database/DatabaseFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "files/LineGrammar.h"

namespace halden {

DatabaseRows parseDatabaseRows(std::string_view bytes, double* x, double* y) {
    DatabaseRows rows;
    rows.points = readDataRows(bytes, kMaxDataLines, x, y, rows.truncated);
    if (rows.points > 1 && x[0] > x[rows.points - 1]) {
        std::reverse(x, x + rows.points);
        std::reverse(y, y + rows.points);
    }
    return rows;
}

namespace {

// Reads the open file fd whole (and closes it).
FileRead readOpenFile(int fd, std::string& buffer, std::size_t& length) {
    length = 0;
    if (fd < 0) return FileRead::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return FileRead::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileRead::NotRegular;
    }
    // The size is a hint: read until end of file, growing as needed, but
    // never past the limit (the file may grow while it is read).
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxDatabaseFileBytes) {
        ::close(fd);
        return FileRead::TooLarge;
    }
    const std::size_t cap = kMaxDatabaseFileBytes + 1;
    const std::size_t hint = static_cast<std::size_t>(st.st_size) + 1;
    if (buffer.size() < hint) buffer.resize(hint);
    std::size_t used = 0;
    for (;;) {
        if (used == cap) {
            ::close(fd);
            return FileRead::TooLarge;
        }
        if (used == buffer.size()) buffer.resize(std::min(buffer.size() * 2, cap));
        const ssize_t got = ::read(fd, buffer.data() + used, buffer.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return FileRead::Unreadable;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    length = used;
    return FileRead::Ok;
}

}  // namespace

// Non-blocking opens, so that a FIFO in the folder cannot stall the load.
FileRead readWholeFile(const std::string& path, std::string& buffer, std::size_t& length) {
    return readOpenFile(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK), buffer, length);
}

FileRead readWholeFileAt(int folderFd, const std::string& name, std::string& buffer, std::size_t& length) {
    return readOpenFile(::openat(folderFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK), buffer, length);
}

}  // namespace halden
