#include "cli/CliSession.h"

#include <cerrno>
#include <algorithm>
#include <cstdlib>

#include <QEventLoop>
#include <QTimer>

namespace halden::cli {
namespace {

// Generous bounds: a flash read over USB takes a few seconds.
constexpr int kOperationDeadlineMs = 120000;
constexpr int kDeviceRetries = 2;

// Runs trigger, then the event loop until signal fires on sender (handled
// by onSignal) or the deadline passes. False on the deadline.
template <class Signal, class Trigger, class Handler>
bool waitFor(Session* sender, Signal signal, int deadlineMs, Trigger trigger, Handler onSignal)
{
    QEventLoop loop;
    bool fired = false;
    const auto connection = QObject::connect(sender, signal, &loop, [&](auto... args) {
        fired = true;
        onSignal(args...);
        loop.quit();
    });
    QTimer::singleShot(deadlineMs, &loop, &QEventLoop::quit);
    trigger();
    if (!fired) loop.exec();
    QObject::disconnect(connection);
    return fired;
}

}  // namespace

CliSession::CliSession() : m_session(std::make_unique<Session>(m_prompt)) {}

std::optional<std::string> CliSession::initialise()
{
    int count = 0;
    // The detection's completion posts the calibration read at once, so
    // both waits are armed before the request goes out.
    QEventLoop loop;
    bool detected = false, calibrated = false;
    auto c1 = QObject::connect(m_session.get(), &Session::detectionCompleted, &loop, [&](int n) {
        detected = true;
        count = n;
        if (n == 0) loop.quit();
    });
    auto c2 = QObject::connect(m_session.get(), &Session::calibrationCompleted, &loop, [&](bool present) {
        calibrated = true;
        m_recordPresent = present;
        loop.quit();
    });
    QTimer::singleShot(kOperationDeadlineMs, &loop, &QEventLoop::quit);
    m_session->chooseSpectrometer();
    loop.exec();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    if (!detected) return std::string("device detection did not finish");
    // Unless quiet, the prompt has shown "Can not find device" already.
    if (count == 0) return std::string(m_prompt.quiet ? sessionText::kNoDevice : "");
    if (!calibrated) return std::string("reading the calibration from the spectrometer did not finish");
    return std::nullopt;
}

bool CliSession::acquireOnce(std::string& error)
{
    SpectrumStore& s = store();
    const double exposureMs = s.m_exposure * 0.01 * (s.m_scans > 0 ? s.m_scans : 1);
    const int deadline = kOperationDeadlineMs + static_cast<int>(std::min(exposureMs * 4, 3.6e6));
    for (int attempt = 0; attempt <= kDeviceRetries; ++attempt) {
        bool failed = false;
        const bool done = waitFor(m_session.get(), &Session::acquisitionCompleted, deadline,
                                  [&] { m_session->startAcquisition(); }, [&](bool f) { failed = f; });
        if (!done) {
            error = "the acquisition did not finish (no answer from the spectrometer)";
            return false;
        }
        if (!failed) return true;
    }
    error = "the spectrometer failed during the acquisition";
    return false;
}

bool CliSession::rereadCalibration(std::string& error)
{
    const bool done = waitFor(m_session.get(), &Session::calibrationCompleted, kOperationDeadlineMs,
                              [&] { m_session->post(kOperationReadFlash); },
                              [&](bool present) { m_recordPresent = present; });
    if (!done) error = "reading the calibration back from the spectrometer did not finish";
    return done;
}

bool parseInt(const std::string& text, long& value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

bool parseNumber(const std::string& text, double& value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end && *end == '\0';
}

}  // namespace halden::cli
