// The acquisition worker: the application's only caller of the device
// library, through its link (device index 0 in the window and halden-cli).
// It lives in its own QThread at high priority; the view posts a request
// (1114) naming one operation with what it needs, the worker carries it out
// against the spectrometer and posts a completion (1115) carrying the
// results to the target object. It never reads or writes the store: an
// acquisition is conditioned into rows of the worker's own, which travel in
// the completion. Without a target (the Python module) operations run
// synchronously through run() and acquire() on the caller's thread.
//
//   1  acquire one spectrum
//   5  detect spectrometers
//   10 write the calibration record to flash
//   20 read the calibration record from flash
//
// Any other code is ignored: nothing touches the device, no completion.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "acquisition/AcquisitionEvents.h"
#include "acquisition/Pacer.h"
#include "acquisition/SpectrometerLink.h"
#include "files/CalibrationText.h"
#include "spectrum/Acquisition.h"
#include "spectrum/Conditioning.h"

namespace halden {

// Scan mode 3 (the device averages) only with averaging on and no trigger.
std::uint8_t scanModeFor(const DeviceSetup& setup);

inline constexpr int kFrameBufferPixels = 4099;
inline constexpr std::uint16_t kAveragedFrame = 0xFFFF;
inline constexpr std::uint8_t kScanModeSeparate = 0;
inline constexpr std::uint8_t kScanModeAveraged = 3;
inline constexpr std::uint16_t kFrameStartElement = 0;
inline constexpr std::uint16_t kFrameEndElement = 3647;

class CthreadMag : public QObject {
    Q_OBJECT
public:
    // target receives the completion events; link and pacer must outlive
    // the worker.
    CthreadMag(QObject* target, SpectrometerLink& link, Pacer& pacer);
    ~CthreadMag() override;

    // Ends a status wait at once and makes later waits end at once; for
    // shutdown, callable from any thread.
    void requestStop() { m_stopping = true; }

    // Ends the status wait of the acquisitions with ids up to id: they come
    // back interrupted, nothing read. Callable from any thread (Run).
    void cancelThrough(std::uint64_t id);

    // Runs one operation on the calling thread (the request handler) and
    // posts its completion.
    void perform(WorkerRequest request);

    // Runs one operation on the calling thread and returns its answer;
    // nothing for a code that names no operation.
    std::optional<WorkerAnswer> run(WorkerRequest request);

    // One acquisition on the calling thread, its result returned.
    AcquisitionResult acquire(const AcquisitionRequest& request);

    const DeviceSetup& deviceSetup() const { return m_setup; }
    std::uint8_t scanMode() const { return m_scanMode; }
    const DarkWeights& darkWeights() const { return *m_darkWeights; }

protected:
    bool event(QEvent* event) override;

private:
    WorkerAnswer detect();
    WorkerAnswer readCalibration();
    WorkerAnswer writeCalibration(const std::vector<std::uint8_t>& record);

    // Sends every setting; the name of the first command that failed, or
    // empty.
    std::string configure(const AcquisitionRequest& request);
    // Polls getStatus every 25 ms until the device is ready, the wait is
    // cancelled or the device is gone; returns the last result.
    std::int32_t waitUntilReady(std::uint64_t id, bool& cancelled);
    bool cancelled(std::uint64_t id) const;
    // Reads frame frameNumber into row and conditions it; returns the
    // transfer's result. The row is filled only when the read succeeded.
    std::int32_t readFrameInto(std::uint16_t frameNumber, const AcquisitionSettings& settings, double* row,
                               std::int32_t& saturated);
    // Reads count bytes of flash from address, asking again when the read
    // fails; returns the last result.
    std::int32_t readFlashInto(std::uint8_t* buffer, std::size_t address, std::size_t count);
    // Erase, write and read back as one transaction, retried as a whole.
    OperationOutcome writeFlashRecord(std::size_t length);
    bool recordReadsBack(std::size_t length);
    // After erases that were not acknowledged: true when the flash reads back
    // as the last calibration read found it.
    bool flashHoldsWhatWasRead();
    // Waits for the asynchronous call whose posting returned postResult.
    std::int32_t awaitTransfer(std::int32_t postResult);
    void complete(WorkerAnswer answer);

    QObject* m_target;
    SpectrometerLink& m_link;
    Pacer& m_pacer;
    std::atomic<bool> m_stopping{false};
    std::atomic<std::uint64_t> m_cancelledThrough{0};

    DeviceSetup m_setup;        // the settings last sent to the device
    bool m_needsConfigure = false;  // a failure or a stopped wait: configure before the next acquisition
    std::uint8_t m_scanMode = kScanModeAveraged;
    std::array<std::uint16_t, kFrameBufferPixels> m_frame{};
    std::unique_ptr<DarkWeights> m_darkWeights;
    std::unique_ptr<ConditionScratch> m_scratch;
    std::vector<std::uint8_t> m_flashRead;    // the flash area as the last calibration read found it
    std::vector<std::uint8_t> m_flashRecord;  // the writer's 130 000-byte buffer
    std::vector<std::uint8_t> m_flashVerify;  // the flash read back after writing
};

}  // namespace halden
