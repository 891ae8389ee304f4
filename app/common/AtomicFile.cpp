#include "files/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Prompt.h"

namespace halden {

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string describe(const char* step, int err) {
    return std::string(step) + ": " + std::strerror(err);
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

WriteResult writeFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) return {false, "empty path"};

    // Keep the permissions of a file being replaced; new files get rw-r--r--.
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return {false, "not a regular file"};
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

bool readFileBytes(const std::string& path, std::string& out, std::size_t limit) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Size the buffer from the file's size, but never trust it: files grow
    // and special files report 0.
    const std::size_t cap = limit + 1;
    std::size_t want = static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 0) + 1;
    out.resize(want < cap ? want : cap);
    std::size_t got = 0;
    while (got < cap) {
        if (got == out.size()) out.resize(out.size() * 2 < cap ? out.size() * 2 : cap);
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return true;
}

}  // namespace halden
