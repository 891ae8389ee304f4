#include "acquisition/CthreadMag.h"

#include <algorithm>
#include <thread>

#include <QCoreApplication>

#include "acquisition/FlashCalibration.h"

namespace halden {
namespace {

constexpr auto kConfigurePause = std::chrono::milliseconds(50);
constexpr auto kStatusPollPause = std::chrono::milliseconds(25);
constexpr std::int32_t kStateFinished = 2;
// A flash page that does not arrive is asked for again before the read gives
// up; a failed flash write is erased and written again.
constexpr int kFlashReadAttempts = 3;
constexpr int kFlashWriteAttempts = 3;
// Failed status requests in a row before the view is told the device is
// silent: about two seconds at 100 ms per unanswered request plus the pause.
constexpr int kSilentPollsBeforeNotice = 16;
// Byte 5 of the identification record is '.' when a record is present.
constexpr std::size_t kRecordMarkOffset = 5;
constexpr std::uint8_t kRecordMark = '.';

}  // namespace

DeviceSetup currentSetup(const SpectrumStore& store)
{
    DeviceSetup s;
    s.exposure = store.m_exposure;
    s.scans = store.m_scans;
    s.average = store.m_average;
    s.extTrigMode = store.m_extTrigMode;
    s.extTrigEdge = store.m_extTrigEdge;
    s.optTrigMode = store.m_optTrigMode;
    s.optTrigPoint = store.m_optTrigPoint;
    s.optTrigLevel = store.m_optTrigLevel;
    return s;
}

std::uint8_t scanModeFor(const DeviceSetup& setup)
{
    return setup.average && setup.extTrigMode == 0 && setup.optTrigMode == 0 ? kScanModeAveraged
                                                                              : kScanModeSeparate;
}

CthreadMag::CthreadMag(SpectrumStore& store, QObject* target, SpectrometerLink& link, Pacer& pacer)
    : m_store(store),
      m_target(target),
      m_link(link),
      m_pacer(pacer),
      m_darkWeights(std::make_unique<DarkWeights>()),
      m_scratch(std::make_unique<ConditionScratch>()),
      m_flashRead(kFlashAreaSize),
      m_flashRecord(kCalibrationTextLimit),
      m_flashVerify(kCalibrationTextLimit)
{
    m_setup.average = !store.m_average;
    // The table is rebuilt by every calibration read; filling it now keeps
    // an acquisition made before that read from using a zero table.
    fillDarkWeights(*m_darkWeights);
}

CthreadMag::~CthreadMag() = default;

bool CthreadMag::event(QEvent* event)
{
    if (event->type() != kRequestEventType) return QObject::event(event);
    const auto* request = dynamic_cast<RequestEvent*>(event);
    perform(request ? request->operation() : m_store.m_operation);
    return true;
}

void CthreadMag::perform(Operation operation)
{
    switch (operation) {
    case Operation::Acquire: acquire(); break;
    case Operation::Detect: detect(); break;
    case Operation::WriteFlash: writeCalibration(); break;
    case Operation::ReadFlash: readCalibration(); break;
    default: break;  // names no operation: nothing happens
    }
}

void CthreadMag::complete(Operation operation, OperationOutcome outcome)
{
    if (m_target) QCoreApplication::postEvent(m_target, new CompletionEvent(operation, outcome));
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
        if (state == kStateFinished) break;
        if (polls < 64)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::int32_t lastResult = 0;
    const std::int32_t check = m_link.checkLastError(&lastResult);
    return check != 0 ? check : lastResult;
}

void CthreadMag::detect()
{
    m_store.m_deviceCount = m_link.getDevicesCount();
    complete(Operation::Detect, OperationOutcome::Done);
}

void CthreadMag::configure()
{
    m_pacer.pause(kConfigurePause);
    m_link.clearMemory();
    m_store.m_resendParameters = false;
    if (m_store.m_exposure == 0) m_store.m_exposure = 1;
    m_setup = currentSetup(m_store);
    m_scanMode = scanModeFor(m_setup);
    m_link.setExternalTrigger(m_setup.extTrigMode, m_setup.extTrigEdge);
    m_link.setOpticalTrigger(m_setup.optTrigMode, m_setup.optTrigPoint, m_setup.optTrigLevel);
    std::uint16_t pixelsInFrame = 0;
    m_link.setFrameFormat(kFrameStartElement, kFrameEndElement, 0, &pixelsInFrame);
    m_link.setAcquisitionParameters(static_cast<std::uint16_t>(m_setup.scans),
                                    static_cast<std::uint16_t>(m_store.m_blankScans), m_scanMode,
                                    static_cast<std::uint32_t>(m_setup.exposure));
}

std::int32_t CthreadMag::waitUntilReady()
{
    // A first poll that fails leaves these as they are: ready in scan mode
    // 0, busy in scan mode 3.
    std::uint8_t status = 0;
    std::uint16_t frames = 0;
    std::int32_t result = m_link.getStatus(&status, &frames);
    int silentPolls = result != 0 ? 1 : 0;
    const auto busy = [&] { return m_scanMode == kScanModeAveraged ? frames == 0 : status != 0; };
    while (busy() && !m_store.m_resendParameters && !needsReconfiguration(result) && !m_stopping) {
        m_pacer.pause(kStatusPollPause);
        result = m_link.getStatus(&status, &frames);
        silentPolls = result != 0 ? silentPolls + 1 : 0;
        // The wait goes on (the device may come back); the view is told once
        // per silent stretch so it can say so.
        if (silentPolls == kSilentPollsBeforeNotice && m_target)
            QCoreApplication::postEvent(m_target, new QEvent(kDeviceSilentEventType));
    }
    return result;
}

std::int32_t CthreadMag::readFrameInto(std::uint16_t frameNumber, double* row)
{
    const std::int32_t result = awaitTransfer(m_link.getFrame(m_frame.data(), frameNumber));
    // Whatever went wrong, the frame buffer holds no (or only part of a)
    // new frame: nothing of it reaches the row.
    if (result != 0) return result;
    for (int j = 0; j < kFramePixels; ++j) row[j] = m_frame[j];
    const int first = std::min<int>(m_store.m_sensorFirst, kFramePixels - 1);
    const int last = std::min<int>(m_store.m_sensorLast, kFramePixels - 1);
    std::int32_t saturated = 0;
    for (int j = first; j <= last; ++j) saturated += m_frame[j] == 0xFFFF;
    m_saturatedInAcquisition = std::max(m_saturatedInAcquisition, saturated);
    conditionSpectrum(m_store, *m_darkWeights, *m_scratch, row);
    return result;
}

void CthreadMag::acquire()
{
    if (!(currentSetup(m_store) == m_setup) || m_store.m_resendParameters) configure();

    const bool triggerArmed = m_setup.extTrigMode != 0 || m_setup.optTrigMode != 0;
    if (m_scanMode == kScanModeSeparate && !triggerArmed) m_link.triggerAcquisition();

    bool failed = needsReconfiguration(waitUntilReady());
    m_saturatedInAcquisition = 0;
    if (!failed && !m_stopping) {
        m_store.m_resendParameters = false;
        double* target = m_store.targetBuffer();
        if (m_scanMode == kScanModeAveraged) {
            failed = readFrameInto(kAveragedFrame, target) != 0;
        } else {
            // The buffer holds 64 rows whatever m_scans says.
            const int scans = std::clamp<int>(m_setup.scans, 1, kBufferRows);
            for (int k = 0; k < scans && !failed; ++k)
                failed = readFrameInto(static_cast<std::uint16_t>(k), target + k * kPointCapacity) != 0;
            m_link.clearMemory();
        }
    }
    if (failed) {
        // Any failed transfer fails the whole acquisition: the buffer is not
        // published (the view keeps the last good one), and the device is
        // configured anew before the next acquisition.
        m_store.m_resendParameters = true;
        complete(Operation::Acquire, OperationOutcome::DeviceFailed);
        return;
    }
    m_store.m_saturatedPixels = m_saturatedInAcquisition;
    m_store.m_bufferSelect = !m_store.m_bufferSelect;
    complete(Operation::Acquire, OperationOutcome::Done);
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

void CthreadMag::readCalibration()
{
    std::uint8_t status = 0;
    std::uint16_t frames = 0;
    m_link.getStatus(&status, &frames);
    // Erased flash reads 0xFF; a page that fails to arrive then reads as
    // erased instead of as the previous read's bytes.
    std::fill(m_flashRead.begin(), m_flashRead.end(), std::uint8_t{0xFF});
    std::size_t pagesRead = 0;
    while (pagesRead < kFlashPages) {
        const std::size_t address = pagesRead * kFlashPageSize;
        // A page still missing after the retries ends the read: a device
        // that does not answer costs one page, not twenty.
        if (readFlashInto(m_flashRead.data() + address, address, kFlashPageSize) != 0) break;
        ++pagesRead;
    }
    // "No record" only when the first page arrived and says so, or the
    // record ended before the page that failed; otherwise the flash could
    // not be read, which is not the instrument's fault.
    const bool headerSaysRecord = pagesRead > 0 && m_flashRead[kRecordMarkOffset] == kRecordMark;
    const bool applied = applyFlashRecord(m_store, m_flashRead.data(), m_flashRead.size());
    const bool unreadable = !applied && pagesRead < kFlashPages && (pagesRead == 0 || headerSaysRecord);
    fillDarkWeights(*m_darkWeights);
    complete(Operation::ReadFlash, unreadable ? OperationOutcome::FlashUnreadable : OperationOutcome::Done);
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

void CthreadMag::writeCalibration()
{
    const std::size_t length = buildFlashRecord(m_store, m_flashRecord.data(), m_flashRecord.size());
    // A record that does not fit is refused before anything is erased.
    const OperationOutcome outcome = length == 0 ? OperationOutcome::RecordTooLong : writeFlashRecord(length);
    m_store.m_flashBusy = false;
    complete(Operation::WriteFlash, outcome);
}

}  // namespace halden
