// The acquisition worker's pauses (before configuring, between status polls)
// for an acquisition run from Python with the GIL released: after each pause
// the wait is ended when its time limit has passed or, on the main thread,
// when a signal handler raised (Ctrl-C), so a spectrometer that waits for a
// trigger never holds the interpreter for ever.
#pragma once

#include <Python.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "acquisition/CthreadMag.h"
#include "acquisition/Pacer.h"

namespace halden::python {

class InterruptiblePacer final : public Pacer {
public:
    using Clock = std::chrono::steady_clock;

    // What the pauses of acquisition id watch: its time limit, if any, and
    // the interpreter's signals (only the main thread handles them).
    void watch(CthreadMag& worker, std::uint64_t id, std::optional<Clock::time_point> deadline, bool checkSignals);
    void pause(std::chrono::milliseconds duration) override;

    bool timedOut() const { return m_timedOut; }
    // With the GIL held: raises the exception a signal handler raised during
    // the wait, if one did.
    void raisePending();

private:
    void end();

    CthreadMag* m_worker = nullptr;
    std::uint64_t m_id = 0;
    std::optional<Clock::time_point> m_deadline;
    bool m_signals = false;
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_timedOut{false};
    PyObject* m_type = nullptr;
    PyObject* m_value = nullptr;
    PyObject* m_traceback = nullptr;
};

}  // namespace halden::python
