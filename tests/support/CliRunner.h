// Runs the built halden-cli as a child process for end-to-end tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace halden::test {

struct CliResult {
    int status = -1;  // exit status; -1 when the program did not exit normally
    std::string out, err;
};

// Runs "halden-cli <shellArgs>" through the shell (quote paths in shellArgs),
// capturing stdout and stderr through files in scratch, which must exist.
CliResult runCli(const std::string& shellArgs, const std::filesystem::path& scratch);

// Runs "halden-cli <args>" (each argument passed as it is) in folder, with
// VANTREL_VIRTUAL_TIMING=instant and without the virtual spectrometer's
// other settings from the environment; faults, when not empty, becomes its
// VANTREL_VIRTUAL_FAULTS; environment adds NAME=value settings (such as
// VANTREL_VIRTUAL_SCENE=led). A run still going after timeoutSeconds (a hang)
// is stopped, reported as a test failure and gets status -1.
CliResult runCliIn(const std::filesystem::path& folder, const std::vector<std::string>& args,
                   const std::string& faults = {}, int timeoutSeconds = 180,
                   const std::vector<std::string>& environment = {});

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
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace halden::test
