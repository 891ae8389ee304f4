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
      m_flashRecord(kCalibrationTextLimit)
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

void CthreadMag::perform(int operation)
{
    switch (operation) {
    case kOperationAcquire: acquire(); break;
    case kOperationDetect: detect(); break;
    case kOperationWriteFlash: writeCalibration(); break;
    case kOperationReadFlash: readCalibration(); break;
    default: break;  // names no operation: nothing happens
    }
}

void CthreadMag::complete(int operation, OperationOutcome outcome)
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
    complete(kOperationDetect, OperationOutcome::Done);
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
    const auto busy = [&] { return m_scanMode == kScanModeAveraged ? frames == 0 : status != 0; };
    while (busy() && !m_store.m_resendParameters && !needsReconfiguration(result) && !m_stopping) {
        m_pacer.pause(kStatusPollPause);
        result = m_link.getStatus(&status, &frames);
    }
    return result;
}

std::int32_t CthreadMag::readFrameInto(std::uint16_t frameNumber, double* row)
{
    const std::int32_t result = awaitTransfer(m_link.getFrame(m_frame.data(), frameNumber));
    if (needsReconfiguration(result)) return result;
    for (int j = 0; j < kFramePixels; ++j) row[j] = m_frame[j];
    conditionSpectrum(m_store, *m_darkWeights, *m_scratch, row);
    return result;
}

void CthreadMag::acquire()
{
    OperationOutcome outcome = OperationOutcome::Done;
    if (!(currentSetup(m_store) == m_setup) || m_store.m_resendParameters) configure();

    const bool triggerArmed = m_setup.extTrigMode != 0 || m_setup.optTrigMode != 0;
    if (m_scanMode == kScanModeSeparate && !triggerArmed) m_link.triggerAcquisition();

    const std::int32_t status = waitUntilReady();
    if (needsReconfiguration(status)) {
        m_store.m_resendParameters = true;
        outcome = OperationOutcome::DeviceFailed;
    } else if (!m_stopping) {
        m_store.m_resendParameters = false;
        double* target = m_store.targetBuffer();
        if (m_scanMode == kScanModeAveraged) {
            if (needsReconfiguration(readFrameInto(kAveragedFrame, target))) {
                m_store.m_resendParameters = true;
                outcome = OperationOutcome::DeviceFailed;
            }
        } else {
            // The buffer holds 64 rows whatever m_scans says.
            const int scans = std::clamp<int>(m_setup.scans, 1, kBufferRows);
            for (int k = 0; k < scans; ++k) {
                if (needsReconfiguration(readFrameInto(static_cast<std::uint16_t>(k),
                                                       target + k * kPointCapacity))) {
                    m_store.m_resendParameters = true;
                    outcome = OperationOutcome::DeviceFailed;
                    break;
                }
            }
            m_link.clearMemory();
        }
    }
    m_store.m_bufferSelect = !m_store.m_bufferSelect;
    complete(kOperationAcquire, outcome);
}

void CthreadMag::readCalibration()
{
    std::uint8_t status = 0;
    std::uint16_t frames = 0;
    m_link.getStatus(&status, &frames);
    // Erased flash reads 0xFF; a page that fails to arrive then reads as
    // erased instead of as the previous read's bytes.
    std::fill(m_flashRead.begin(), m_flashRead.end(), std::uint8_t{0xFF});
    for (std::size_t k = 0; k < kFlashPages; ++k) {
        const std::size_t address = k * kFlashPageSize;
        awaitTransfer(m_link.readFlash(m_flashRead.data() + address, static_cast<std::uint32_t>(address),
                                       static_cast<std::uint32_t>(kFlashPageSize)));
    }
    applyFlashRecord(m_store, m_flashRead.data(), m_flashRead.size());
    fillDarkWeights(*m_darkWeights);
    complete(kOperationReadFlash, OperationOutcome::Done);
}

void CthreadMag::writeCalibration()
{
    OperationOutcome outcome = OperationOutcome::Done;
    const std::size_t length = buildFlashRecord(m_store, m_flashRecord.data(), m_flashRecord.size());
    if (length == 0) {
        outcome = OperationOutcome::RecordTooLong;  // the flash keeps its old record
    } else {
        const std::int32_t erased = m_link.eraseFlash();
        const std::int32_t written = awaitTransfer(
            m_link.writeFlash(m_flashRecord.data(), 0, static_cast<std::uint32_t>(length)));
        if (erased != 0 || written != 0) outcome = OperationOutcome::FlashFailed;
    }
    m_store.m_flashBusy = false;
    complete(kOperationWriteFlash, outcome);
}

}  // namespace halden
