#include "common/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Messages.h"
#include "common/Prompt.h"

namespace halden {

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel's own limit

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string describe(const char* step, int err) {
    return std::string(step) + ": " + std::strerror(err);
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "not a regular file (a folder)";
    if (S_ISFIFO(mode)) return "not a regular file (a FIFO)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file (a device)";
    if (S_ISSOCK(mode)) return "not a regular file (a socket)";
    return "not a regular file";
}

// The path a write to path lands on: path itself, or the end of its chain of
// symbolic links (which may not exist yet). Empty with error set when the
// chain is too long or a link cannot be read.
std::string followLinks(std::string path, std::string& error) {
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n < 0 || static_cast<std::size_t>(n) >= sizeof target) {
            error = describe("read symbolic link", n < 0 ? errno : ENAMETOOLONG);
            return {};
        }
        const std::string next(target, static_cast<std::size_t>(n));
        path = (!next.empty() && next[0] == '/') ? next : folderOf(path) + "/" + next;
    }
    error = describe("follow symbolic links", ELOOP);
    return {};
}

bool writeAll(int fd, std::string_view bytes, int& err) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

WriteResult writeFileAtomically(const std::string& requested, std::string_view bytes) {
    if (requested.empty()) return {false, "empty path"};
    std::string error;
    const std::string path = followLinks(requested, error);
    if (path.empty()) return {false, error};

    // Keep the permissions of a file being replaced; new files get rw-r--r--.
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return {false, std::string(kindOf(st.st_mode)) + ", not replaced"};
        mode = st.st_mode & 07777;
    }

    std::string temp = path + ".tmpXXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return {false, describe("create temporary file", errno)};

    int err = 0;
    const char* step = nullptr;
    if (::fchmod(fd, mode) != 0) {
        err = errno;
        step = "set permissions";
    } else if (!writeAll(fd, bytes, err)) {
        step = "write";
    } else if (::fsync(fd) != 0) {
        err = errno;
        step = "flush to disk";
    }
    if (::close(fd) != 0 && step == nullptr) {
        err = errno;
        step = "close";
    }
    if (step == nullptr && ::rename(temp.c_str(), path.c_str()) != 0) {
        err = errno;
        step = "rename";
    }
    if (step != nullptr) {
        ::unlink(temp.c_str());
        return {false, describe(step, err)};
    }

    // Make the rename itself durable.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {true, {}};
}

bool writeFileOrReport(const std::string& path, std::string_view bytes, Prompt& prompt) {
    if (writeFileAtomically(path, bytes).ok) return true;
    prompt.showMessage(messages::kCreateFileError, messages::kCaptionErrorUpper);
    return false;
}

ReadResult readRegularFile(const std::string& path, std::string& out, std::size_t limit) {
    out.clear();
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {ReadStatus::Unreadable, std::strerror(errno)};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return {ReadStatus::Unreadable, std::strerror(err)};
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return {ReadStatus::NotRegular, kindOf(st.st_mode)};
    }
    // Size the buffer from the file's size, but never trust it: files grow
    // and shrink while they are read.
    const std::size_t cap = limit + 1;
    const std::size_t want = static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 0) + 1;
    out.resize(want < cap ? want : cap);
    std::size_t got = 0;
    while (got < cap) {
        if (got == out.size()) out.resize(out.size() * 2 < cap ? out.size() * 2 : cap);
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            out.clear();
            return {ReadStatus::Unreadable, std::strerror(err)};
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    if (got > limit) return {ReadStatus::TooLarge, "larger than " + std::to_string(limit) + " bytes"};
    return {ReadStatus::Ok, {}};
}

bool readFileBytes(const std::string& path, std::string& out, std::size_t limit) {
    const ReadResult r = readRegularFile(path, out, limit);
    return r.status == ReadStatus::Ok || r.status == ReadStatus::TooLarge;
}

}  // namespace halden
