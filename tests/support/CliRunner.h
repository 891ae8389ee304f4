// Runs the built halden-cli as a child process for end-to-end tests.
#pragma once

#include <filesystem>
#include <string>

namespace halden::test {

struct CliResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out, err;
};

// Runs "halden-cli <shellArgs>" through the shell (quote paths in shellArgs),
// capturing stdout and stderr through files in scratch, which must exist.
CliResult runCli(const std::string& shellArgs, const std::filesystem::path& scratch);

// The whole content of a file, or "" when it cannot be read.
std::string readFile(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with its
// content on destruction.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace halden::test
