// halden-cli acquire stopped by SIGTERM while it is writing a file: the
// signal waits until the file is complete, so no temporary file is left.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/CliRunner.h"

namespace halden {
namespace {

namespace fs = std::filesystem;

// Waits (without a time limit of its own, up to failAfterMs) until a file
// whose name contains ".tmp" is created in the watched folder.
bool waitForTemporaryFile(int inotifyFd, int failAfterMs) {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        pollfd p{inotifyFd, POLLIN, 0};
        if (::poll(&p, 1, failAfterMs) <= 0) return false;
        const ssize_t n = ::read(inotifyFd, buffer, sizeof buffer);
        if (n <= 0) return false;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && std::string(event->name).find(".tmp") != std::string::npos) return true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

TEST(CliSignal, SigtermWhileAFileIsWrittenLeavesNoTemporaryFile) {
    const test::ScratchDir scratch("halden-cli-signal");
    const fs::path dir = scratch.path();
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir.c_str(), IN_CREATE), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        ::setenv("VANTREL_VIRTUAL_TIMING", "instant", 1);
        ::unsetenv("VANTREL_VIRTUAL_FAULTS");
        ::execl(HALDEN_CLI_PATH, HALDEN_CLI_PATH, "--virtual", "acquire", "--count", "1000000", "-o", "run",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The spectrum files, not the backup written first: skip one.
    const bool sawBackup = waitForTemporaryFile(watch, 120000);
    const bool sawSpectrum = sawBackup && waitForTemporaryFile(watch, 120000);
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(watch);
    ASSERT_TRUE(sawSpectrum) << "no file was written";

    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
}

}  // namespace
}  // namespace halden
