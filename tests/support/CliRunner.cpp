#include "support/CliRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace halden::test {

namespace fs = std::filesystem;

#ifdef HALDEN_CLI_PATH
CliResult runCli(const std::string& shellArgs, const fs::path& scratch) {
    const fs::path out = scratch / "cli-stdout.txt", err = scratch / "cli-stderr.txt";
    const std::string command = std::string("'") + HALDEN_CLI_PATH + "' " + shellArgs + " >'" + out.string() +
                                "' 2>'" + err.string() + "'";
    CliResult r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(out);
    r.err = readFile(err);
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
    path_ = fs::temp_directory_path() /
            (prefix + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

}  // namespace halden::test
