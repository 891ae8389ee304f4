// Ending halden-cli by a signal without leaving a half-written file behind.
// SIGTERM, SIGINT and SIGHUP are blocked in every thread and read, through a
// signalfd, by the main thread's event loop. Files are written on the main
// thread outside any event loop, so a write always ends (renamed into place,
// or removed) before the signal ends the process.
#pragma once

#include <memory>

class QSocketNotifier;

namespace halden::cli {

// Blocks the three signals in the calling thread and every thread it starts
// from then on. Call it before any thread is started.
void blockTerminationSignals();

// While it exists, a termination signal ends the process as soon as the main
// thread's event loop runs: stdout is flushed, one line goes to stderr, and
// the exit status is 128 + the signal number. Blocks the signals itself.
class TerminationWatch {
public:
    TerminationWatch();
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

private:
    int m_fd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace halden::cli
