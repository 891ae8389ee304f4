#include "InterruptiblePacer.h"

#include <pybind11/pybind11.h>

#include <thread>

namespace py = pybind11;

namespace halden::python {

void InterruptiblePacer::watch(CthreadMag& worker, std::uint64_t id, std::optional<Clock::time_point> deadline,
                               bool checkSignals) {
    m_worker = &worker;
    m_id = id;
    m_deadline = deadline;
    m_signals = checkSignals;
    m_ended = false;
    m_timedOut = false;
}

void InterruptiblePacer::end() {
    m_ended = true;
    if (m_worker) m_worker->cancelThrough(m_id);
}

void InterruptiblePacer::pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
    if (m_ended) return;
    if (m_deadline && Clock::now() >= *m_deadline) {
        m_timedOut = true;
        end();
        return;
    }
    if (!m_signals) return;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
        PyErr_Fetch(&m_type, &m_value, &m_traceback);
        end();
    }
}

void InterruptiblePacer::raisePending() {
    if (!m_type) return;
    PyErr_Restore(m_type, m_value, m_traceback);
    m_type = m_value = m_traceback = nullptr;
    throw py::error_already_set();
}

}  // namespace halden::python
