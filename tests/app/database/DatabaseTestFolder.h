// A temporary folder for database tests, removed with everything in it.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace halden::test {

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() /
                ("halden-db-" + std::to_string(rd()) + "-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ec;
        // Tests may take permissions away; give them back so that removal works.
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string str() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path m_path;
};

}  // namespace halden::test
