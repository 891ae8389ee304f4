#include "cli/CliSession.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include <QEventLoop>
#include <QTimer>

#include "cli/SpectrumInput.h"
#include "common/Messages.h"
#include "files/CalibrationFile.h"

namespace halden::cli {
namespace {

constexpr int kDeviceRetries = 3;
constexpr long kLongestTimeoutSeconds = 86400;

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

CliSession::CliSession(int timeoutSeconds)
    : m_timeoutMs(timeoutSeconds * 1000), m_session(std::make_unique<Session>(m_prompt, m_link, m_pacer))
{
    // The worker keeps asking a silent device; the user learns why nothing
    // happens, and how long it will go on.
    QObject::connect(m_session.get(), &Session::deviceSilent, [this] {
        std::fprintf(stderr,
                     "halden-cli: the spectrometer does not answer; retrying (giving up after %d s, "
                     "see --timeout)\n",
                     m_timeoutMs / 1000);
    });
}

std::string CliSession::calibrationProblem() const
{
    switch (m_session->flashRecordState()) {
    case FlashRecordState::Unreadable:
        return "the calibration could not be read from the spectrometer (it did not answer)";
    case FlashRecordState::Present:
        if (m_session->calibrationBackupPath().empty())
            return "the backup file " + backupCalibrationFileName(m_session->store().m_calibrationHeader) +
                   " of the spectrometer's calibration could not be written";
        return {};
    default: return {};
    }
}

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
    QTimer::singleShot(m_timeoutMs, &loop, &QEventLoop::quit);
    m_session->chooseSpectrometer();
    loop.exec();
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    if (!detected) return std::string("device detection did not finish");
    // Unless quiet, the prompt has shown "Can not find device" already.
    if (count == 0) return std::string(m_prompt.quiet ? messages::kNoDevice : "");
    if (!calibrated) return std::string("reading the calibration from the spectrometer did not finish");
    return std::nullopt;
}

bool CliSession::acquireOnce(std::string& error)
{
    SpectrumStore& s = store();
    const double exposureMs = s.m_exposure * 0.01 * (s.m_scans > 0 ? s.m_scans : 1);
    const int deadline = m_timeoutMs + static_cast<int>(std::min(exposureMs * 4, 3.6e6));
    std::string refused;  // the last set command the spectrometer did not take
    for (int attempt = 0; attempt <= kDeviceRetries; ++attempt) {
        if (attempt > 0)
            std::fprintf(stderr, "halden-cli: the acquisition failed (%s); retrying (%d of %d)\n",
                         refused.empty() ? "the spectrometer did not deliver a complete frame" : refused.c_str(),
                         attempt, kDeviceRetries);
        bool failed = false;
        const bool done = waitFor(m_session.get(), &Session::acquisitionCompleted, deadline,
                                  [&] { m_session->startAcquisition(); }, [&](bool f) { failed = f; });
        if (std::string noted = m_link.takeFailure(); !noted.empty()) refused = std::move(noted);
        if (!done) {
            error = "the acquisition did not finish within " + std::to_string(deadline / 1000) + " s (" +
                    (refused.empty() ? std::string("no answer from the spectrometer") : refused) + ")";
            return false;
        }
        if (!failed) return true;
    }
    error = "the spectrometer kept failing: " + std::to_string(kDeviceRetries + 1) +
            " acquisitions in a row got no complete frame" + (refused.empty() ? "" : " (" + refused + ")");
    return false;
}

bool CliSession::rereadCalibration(std::string& error)
{
    const bool done = waitFor(m_session.get(), &Session::calibrationCompleted, m_timeoutMs,
                              [&] { m_session->post(Operation::ReadFlash); },
                              [&](bool present) { m_recordPresent = present; });
    if (!done) error = "reading the calibration back from the spectrometer did not finish";
    return done;
}

std::string takeTimeoutOption(std::vector<std::string>& args, int& seconds)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--timeout") continue;
        long value = 0;
        if (i + 1 >= args.size() || !parseInt(args[i + 1], value) || value < 1 || value > kLongestTimeoutSeconds)
            return "--timeout needs a number of seconds between 1 and 86400";
        seconds = static_cast<int>(value);
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return {};
    }
    return {};
}

bool parseInt(const std::string& text, long& value)
{
    const std::optional<long long> v = parseWholeInteger(text);
    if (!v || *v < std::numeric_limits<long>::min() || *v > std::numeric_limits<long>::max()) return false;
    value = static_cast<long>(*v);
    return true;
}

bool parseNumber(const std::string& text, double& value)
{
    const std::optional<double> v = parseWholeNumber(text);
    if (!v) return false;
    value = *v;
    return true;
}

}  // namespace halden::cli
