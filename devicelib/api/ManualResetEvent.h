// An event that stays signalled until reset, for any number of waiters.
#pragma once

#include <condition_variable>
#include <mutex>

namespace vantrel::api {

class ManualResetEvent {
public:
    void set()
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
        m_changed.notify_all();
    }

    void reset()
    {
        std::lock_guard lock(m_mutex);
        m_signalled = false;
    }

    // Waits without time limit until the event is signalled.
    void wait()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_signalled; });
    }

    bool isSet()
    {
        std::lock_guard lock(m_mutex);
        return m_signalled;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

}  // namespace vantrel::api
