// A small tmpfs mounted for a test, to run writers into a full disk. Mounting
// needs root (or CAP_SYS_ADMIN); where it is not allowed, mounted() is false
// and why() says so, for GTEST_SKIP.
#pragma once

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace halden::test {

class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& at, std::size_t bytes) : at_(at) {
        std::filesystem::create_directories(at_);
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!mounted_) why_ = "cannot mount a small tmpfs here (" + std::string(std::strerror(errno)) + ")";
    }
    ~SmallDisk() {
        if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }
    const std::filesystem::path& path() const { return at_; }

    // Writes a file named filler until the disk is full; true when it filled.
    bool fill() const {
        const int fd = ::open((at_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        char block[4096] = {};
        bool full = false;
        for (int i = 0; i < 1 << 20 && !full; ++i) full = ::write(fd, block, sizeof block) < 0 && errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    std::filesystem::path at_;
    bool mounted_ = false;
    std::string why_;
};

}  // namespace halden::test
