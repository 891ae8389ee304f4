#include "acquisition/CthreadMag.h"

#include <algorithm>
#include <thread>

#include <QCoreApplication>

#include "acquisition/FlashCalibration.h"
#include "common/EventHandoff.h"
#include "vantrel_shared.h"

namespace halden {
namespace {

constexpr auto kConfigurePause = std::chrono::milliseconds(50);
constexpr auto kStatusPollPause = std::chrono::milliseconds(25);
// A flash page that does not arrive is asked for again before the read gives
// up; a failed flash write is erased and written again.
constexpr int kFlashReadAttempts = 3;
constexpr int kFlashWriteAttempts = 3;
// Failed status requests in a row before the view is told the device is
// silent: about two seconds at 100 ms per unanswered request plus the pause.
constexpr int kSilentPollsBeforeNotice = 16;
constexpr std::uint16_t kFullScale = 0xFFFF;

}  // namespace

std::uint8_t scanModeFor(const DeviceSetup& setup)
{
    return setup.average && !setup.triggerArmed() ? kScanModeAveraged : kScanModeSeparate;
}

CthreadMag::CthreadMag(QObject* target, SpectrometerLink& link, Pacer& pacer)
    : m_target(target),
      m_link(link),
      m_pacer(pacer),
      m_darkWeights(std::make_unique<DarkWeights>()),
      m_scratch(std::make_unique<ConditionScratch>()),
      m_flashRecord(kCalibrationTextLimit),
      m_flashVerify(kCalibrationTextLimit)
{
    fillDarkWeights(*m_darkWeights);
}

CthreadMag::~CthreadMag() = default;

bool CthreadMag::event(QEvent* event)
{
    takeOver(event);
    if (event->type() != kRequestEventType) return QObject::event(event);
    if (auto* request = dynamic_cast<RequestEvent*>(event)) perform(std::move(request->request()));
    return true;
}

void CthreadMag::cancelThrough(std::uint64_t id)
{
    std::uint64_t seen = m_cancelledThrough.load();
    while (seen < id && !m_cancelledThrough.compare_exchange_weak(seen, id)) {
    }
}

bool CthreadMag::cancelled(std::uint64_t id) const { return m_stopping || m_cancelledThrough.load() >= id; }

void CthreadMag::perform(WorkerRequest request)
{
    if (std::optional<WorkerAnswer> answer = run(std::move(request))) complete(std::move(*answer));
}

std::optional<WorkerAnswer> CthreadMag::run(WorkerRequest request)
{
    WorkerAnswer answer;
    switch (request.operation) {
    case Operation::Acquire:
        answer.acquisition = acquire(request.acquisition);
        answer.outcome = answer.acquisition.status == AcquisitionStatus::Complete ? OperationOutcome::Done
                                                                                  : OperationOutcome::DeviceFailed;
        break;
    case Operation::Detect: answer = detect(); break;
    case Operation::WriteFlash: answer = writeCalibration(request.flashRecord); break;
    case Operation::ReadFlash: answer = readCalibration(); break;
    default: return std::nullopt;  // names no operation: nothing happens
    }
    answer.operation = request.operation;
    return answer;
}

void CthreadMag::complete(WorkerAnswer answer)
{
    if (m_target) postHandedOff(m_target, new CompletionEvent(std::move(answer)));
}

std::int32_t CthreadMag::awaitTransfer(std::int32_t postResult)
{
    if (postResult != 0) return postResult;
    // The library's transfers end within their report timeouts; the wait
    // spins briefly, then naps so a slow transfer costs little CPU.
    for (int polls = 0;; ++polls) {
        std::int32_t code = 0, state = 0;
        const std::int32_t info = m_link.getCurrentOperationInfo(&code, &state);
        if (info != 0) return info;
        if (state == VANTREL_STATE_FINISHED) break;
        if (polls < 64)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::int32_t lastResult = 0;
    const std::int32_t check = m_link.checkLastError(&lastResult);
    return check != 0 ? check : lastResult;
}

WorkerAnswer CthreadMag::detect()
{
    WorkerAnswer answer;
    answer.deviceCount = m_link.getDevicesCount();
    return answer;
}

std::string CthreadMag::configure(const AcquisitionRequest& request)
{
    const DeviceSetup& wanted = request.settings.device;
    m_pacer.pause(kConfigurePause);
    std::string failed;
    const auto check = [&](std::int32_t result, const char* command) {
        if (result != 0 && failed.empty()) failed = command;
    };
    check(m_link.clearMemory(), "clearMemory");
    m_setup = wanted;
    if (m_setup.exposure == 0) m_setup.exposure = 1;
    m_scanMode = scanModeFor(m_setup);
    check(m_link.setExternalTrigger(m_setup.extTrigMode, m_setup.extTrigEdge), "setExternalTrigger");
    check(m_link.setOpticalTrigger(m_setup.optTrigMode, m_setup.optTrigPoint, m_setup.optTrigLevel),
          "setOpticalTrigger");
    std::uint16_t pixelsInFrame = 0;
    check(m_link.setFrameFormat(kFrameStartElement, kFrameEndElement, 0, &pixelsInFrame), "setFrameFormat");
    check(m_link.setAcquisitionParameters(static_cast<std::uint16_t>(m_setup.scans),
                                          static_cast<std::uint16_t>(request.settings.blankScans), m_scanMode,
                                          static_cast<std::uint32_t>(m_setup.exposure)),
          "setAcquisitionParameters");
    // A device that did not take every setting is configured anew next time.
    m_needsConfigure = !failed.empty();
    return failed;
}

std::int32_t CthreadMag::waitUntilReady(std::uint64_t id, bool& wasCancelled)
{
    // A first poll that fails leaves these as they are: ready in scan mode
    // 0, busy in scan mode 3.
    std::uint8_t status = 0;
    std::uint16_t frames = 0;
    std::int32_t result = m_link.getStatus(&status, &frames);
    int silentPolls = result != 0 ? 1 : 0;
    const auto busy = [&] { return m_scanMode == kScanModeAveraged ? frames == 0 : status != 0; };
    while (busy() && !needsReconfiguration(result) && !cancelled(id)) {
        m_pacer.pause(kStatusPollPause);
        result = m_link.getStatus(&status, &frames);
        silentPolls = result != 0 ? silentPolls + 1 : 0;
        // The wait goes on (the device may come back); the view is told once
        // per silent stretch so it can say so.
        if (silentPolls == kSilentPollsBeforeNotice && m_target)
            postHandedOff(m_target, new QEvent(kDeviceSilentEventType));
    }
    wasCancelled = busy() && !needsReconfiguration(result);
    return result;
}

std::int32_t CthreadMag::readFrameInto(std::uint16_t frameNumber, const AcquisitionSettings& settings, double* row,
                                       std::int32_t& saturated)
{
    const std::int32_t result = awaitTransfer(m_link.getFrame(m_frame.data(), frameNumber));
    // Whatever went wrong, the frame buffer holds no (or only part of a)
    // new frame: nothing of it reaches the row.
    if (result != 0) return result;
    for (int j = 0; j < kFramePixels; ++j) row[j] = m_frame[j];
    const int first = std::min<int>(settings.conditioning.sensorFirst, kFramePixels - 1);
    const int last = std::min<int>(settings.conditioning.sensorLast, kFramePixels - 1);
    std::int32_t atFullScale = 0;
    for (int j = first; j <= last; ++j) atFullScale += m_frame[j] == kFullScale;
    saturated = std::max(saturated, atFullScale);
    conditionSpectrum(settings.conditioning, *m_darkWeights, *m_scratch, row);
    return result;
}

AcquisitionResult CthreadMag::acquire(const AcquisitionRequest& request)
{
    AcquisitionResult result;
    result.id = request.id;
    result.settings = request.settings;
    result.status = AcquisitionStatus::Failed;

    DeviceSetup wanted = request.settings.device;
    if (wanted.exposure == 0) wanted.exposure = 1;  // the device takes no exposure of 0
    if (request.reconfigure || m_needsConfigure || !(wanted == m_setup)) {
        const std::string failedCommand = configure(request);
        if (!failedCommand.empty()) {
            // Waiting on a device that did not take its settings could wait
            // for ever: this acquisition fails, the next one configures anew.
            result.failure = -1;
            result.failedCommand = failedCommand;
            return result;
        }
    }
    result.settings.device.exposure = m_setup.exposure;  // 0 goes out as 1

    if (m_scanMode == kScanModeSeparate && !m_setup.triggerArmed()) m_link.triggerAcquisition();

    bool wasCancelled = false;
    const std::int32_t waited = waitUntilReady(request.id, wasCancelled);
    if (needsReconfiguration(waited)) {
        m_needsConfigure = true;
        result.failure = waited;
        return result;
    }
    if (wasCancelled) {
        // Stopped before the device was ready: no frame exists to read. The
        // device may still be exposing, so the next acquisition starts clean.
        m_needsConfigure = true;
        result.status = AcquisitionStatus::Interrupted;
        return result;
    }

    const int rows = m_scanMode == kScanModeAveraged ? 1 : std::clamp<int>(m_setup.scans, 1, kBufferRows);
    result.rows.assign(static_cast<std::size_t>(rows) * kPointCapacity, 0.0);
    std::int32_t failure = 0;
    if (m_scanMode == kScanModeAveraged) {
        failure = readFrameInto(kAveragedFrame, result.settings, result.rows.data(), result.saturatedPixels);
    } else {
        for (int k = 0; k < rows && failure == 0; ++k)
            failure = readFrameInto(static_cast<std::uint16_t>(k), result.settings,
                                    result.rows.data() + static_cast<std::ptrdiff_t>(k) * kPointCapacity,
                                    result.saturatedPixels);
        m_link.clearMemory();
    }
    if (failure != 0) {
        // Any failed transfer fails the whole acquisition: nothing of it is
        // published, and the device is configured anew before the next one.
        m_needsConfigure = true;
        result.failure = failure;
        result.rows.clear();
        return result;
    }
    result.rowCount = rows;
    result.lastPoint = conditionedLastPoint(result.settings.conditioning);
    result.completed = std::chrono::system_clock::now();
    result.status = AcquisitionStatus::Complete;
    return result;
}

std::int32_t CthreadMag::readFlashInto(std::uint8_t* buffer, std::size_t address, std::size_t count)
{
    std::int32_t result = 0;
    for (int attempt = 0; attempt < kFlashReadAttempts; ++attempt) {
        result = awaitTransfer(m_link.readFlash(buffer, static_cast<std::uint32_t>(address),
                                                static_cast<std::uint32_t>(count)));
        if (result == 0) break;
    }
    return result;
}

WorkerAnswer CthreadMag::readCalibration()
{
    WorkerAnswer answer;
    std::uint8_t status = 0;
    std::uint16_t frames = 0;
    m_link.getStatus(&status, &frames);
    // Erased flash reads 0xFF; a page that fails to arrive then reads as
    // erased instead of as some earlier read's bytes.
    answer.flash.assign(kFlashAreaSize, std::uint8_t{0xFF});
    while (answer.pagesRead < kFlashPages) {
        const std::size_t address = answer.pagesRead * kFlashPageSize;
        // A page still missing after the retries ends the read: a device
        // that does not answer costs one page, not twenty.
        if (readFlashInto(answer.flash.data() + address, address, kFlashPageSize) != 0) break;
        ++answer.pagesRead;
    }
    fillDarkWeights(*m_darkWeights);
    m_flashRead = answer.flash;  // what a later write compares the flash with
    return answer;
}

bool CthreadMag::recordReadsBack(std::size_t length)
{
    std::fill(m_flashVerify.begin(), m_flashVerify.begin() + static_cast<std::ptrdiff_t>(length), std::uint8_t{0});
    if (readFlashInto(m_flashVerify.data(), 0, length) != 0) return false;
    return std::equal(m_flashRecord.begin(), m_flashRecord.begin() + static_cast<std::ptrdiff_t>(length),
                      m_flashVerify.begin());
}

bool CthreadMag::flashHoldsWhatWasRead()
{
    // The flash as the last calibration read found it: the record (text,
    // never 0xFF) and at least the first page, which takes in the erased
    // byte after the record or, without one, shows the flash still blank.
    const auto recordEnd = std::find(m_flashRead.begin(), m_flashRead.end(), std::uint8_t{0xFF});
    const std::size_t length =
        std::min(std::max(static_cast<std::size_t>(recordEnd - m_flashRead.begin()) + 1, kFlashPageSize),
                 m_flashRead.size());
    std::fill(m_flashVerify.begin(), m_flashVerify.begin() + static_cast<std::ptrdiff_t>(length), std::uint8_t{0});
    if (readFlashInto(m_flashVerify.data(), 0, length) != 0) return false;
    return std::equal(m_flashRead.begin(), m_flashRead.begin() + static_cast<std::ptrdiff_t>(length),
                      m_flashVerify.begin());
}

OperationOutcome CthreadMag::writeFlashRecord(std::size_t length)
{
    bool erased = false;  // an erase the device acknowledged: the old record is gone
    for (int attempt = 0; attempt < kFlashWriteAttempts; ++attempt) {
        if (m_link.eraseFlash() != 0) continue;  // never write onto flash that was not erased
        erased = true;
        const std::int32_t written =
            awaitTransfer(m_link.writeFlash(m_flashRecord.data(), 0, static_cast<std::uint32_t>(length)));
        if (written == 0 && recordReadsBack(length)) return OperationOutcome::Done;
    }
    if (erased) return OperationOutcome::FlashErased;
    // Every erase was refused or went unanswered, yet a device may erase and
    // still report an error: only the flash read back tells whether the old
    // record is still there. Flash that cannot be read counts as erased.
    return flashHoldsWhatWasRead() ? OperationOutcome::FlashFailed : OperationOutcome::FlashErased;
}

WorkerAnswer CthreadMag::writeCalibration(const std::vector<std::uint8_t>& record)
{
    WorkerAnswer answer;
    // A record that does not fit is refused before anything is erased.
    if (record.empty() || record.size() > m_flashRecord.size()) {
        answer.outcome = OperationOutcome::RecordTooLong;
        return answer;
    }
    std::copy(record.begin(), record.end(), m_flashRecord.begin());
    answer.outcome = writeFlashRecord(record.size());
    return answer;
}

}  // namespace halden

#include "moc_CthreadMag.cpp"
