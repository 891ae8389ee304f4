#include "cli/TerminationSignals.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace halden::cli {
namespace {

sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void blockTerminationSignals()
{
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationWatch::TerminationWatch()
{
    blockTerminationSignals();
    const sigset_t set = terminationSignals();
    m_fd = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (m_fd < 0) return;  // the signals stay blocked: the command runs to its end
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [fd = m_fd] {
        signalfd_siginfo info{};
        if (::read(fd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return;
        std::fflush(stdout);
        std::fprintf(stderr, "halden-cli: stopped by signal %u; every file saved so far is complete\n",
                     info.ssi_signo);
        // The worker threads are mid-transfer at most; no file is open.
        std::_Exit(128 + static_cast<int>(info.ssi_signo));
    });
}

TerminationWatch::~TerminationWatch()
{
    m_notifier.reset();
    if (m_fd >= 0) ::close(m_fd);
}

}  // namespace halden::cli
