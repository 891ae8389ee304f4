#include "support/CliRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace halden::test {

namespace fs = std::filesystem;

#ifdef HALDEN_CLI_PATH
namespace {

// text as one word of a POSIX shell command line.
std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs command through the shell, its stdout and stderr captured through
// files in scratch.
CliResult runShell(const std::string& command, const fs::path& scratch) {
    const fs::path out = scratch / "cli-stdout.txt", err = scratch / "cli-stderr.txt";
    CliResult r;
    const std::string redirected = command + " >" + shellQuoted(out.string()) + " 2>" + shellQuoted(err.string());
    const int raw = std::system(redirected.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(out);
    r.err = readFile(err);
    return r;
}

}  // namespace

CliResult runCli(const std::string& shellArgs, const fs::path& scratch) {
    return runShell(shellQuoted(HALDEN_CLI_PATH) + " " + shellArgs, scratch);
}

CliResult runCliIn(const fs::path& folder, const std::vector<std::string>& args, const std::string& faults,
                   int timeoutSeconds, const std::vector<std::string>& environment) {
    std::string command = "cd " + shellQuoted(folder.string()) +
                          " && env -u VANTREL_VIRTUAL -u VANTREL_VIRTUAL_SCENE -u VANTREL_VIRTUAL_FAULTS"
                          " VANTREL_VIRTUAL_TIMING=instant";
    if (!faults.empty()) command += " VANTREL_VIRTUAL_FAULTS=" + shellQuoted(faults);
    for (const std::string& setting : environment) command += " " + shellQuoted(setting);
    command += " timeout " + std::to_string(timeoutSeconds) + " " + shellQuoted(HALDEN_CLI_PATH);
    for (const std::string& a : args) command += " " + shellQuoted(a);
    // Outside folder, so the run's own files are all that folder holds.
    const ScratchDir output("halden-cli-output");
    CliResult r = runShell(command, output.path());
    constexpr int kTimedOut = 124;  // timeout(1) had to stop the program
    if (r.status == kTimedOut) {
        ADD_FAILURE() << "halden-cli did not finish within " << timeoutSeconds << " s";
        r.status = -1;
    }
    return r;
}
#endif

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ScratchDir::ScratchDir(const std::string& prefix) {
    static std::atomic<int> counter{0};
    m_path = fs::temp_directory_path() /
             (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(m_path);
    fs::create_directories(m_path);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

}  // namespace halden::test
