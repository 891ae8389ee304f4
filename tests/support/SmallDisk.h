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
    SmallDisk(const std::filesystem::path& at, std::size_t bytes) : m_at(at) {
        std::filesystem::create_directories(m_at);
        const std::string options = "size=" + std::to_string(bytes);
        m_mounted = ::mount("tmpfs", m_at.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!m_mounted) m_why = "cannot mount a small tmpfs here (" + std::string(std::strerror(errno)) + ")";
    }
    ~SmallDisk() {
        if (m_mounted) ::umount2(m_at.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& why() const { return m_why; }
    const std::filesystem::path& path() const { return m_at; }

    // Writes a file named filler until the disk is full; true when it filled.
    bool fill() const {
        const int fd = ::open((m_at / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) return false;
        char block[4096] = {};
        bool full = false;
        for (int i = 0; i < 1 << 20 && !full; ++i) full = ::write(fd, block, sizeof block) < 0 && errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    std::filesystem::path m_at;
    bool m_mounted = false;
    std::string m_why;
};

}  // namespace halden::test
