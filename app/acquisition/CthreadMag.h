// The acquisition worker: the application's only caller of the device
// library (always device index 0). It lives in its own QThread at high
// priority; the view posts a request (1114) naming one operation, the worker
// carries it out against the spectrometer, writes the results straight into
// the store and posts a completion (1115) to the target object.
//
//   1  acquire one spectrum into the buffer named by m_bufferSelect
//   5  detect spectrometers (m_deviceCount)
//   10 write the calibration record to flash
//   20 read the calibration record from flash
//
// Any other code is ignored: nothing touches the device, no completion.
// The worker does not write m_operation itself: the completion carries the
// operation code and the view's handler records it on its own thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <QObject>

#include "acquisition/AcquisitionEvents.h"
#include "acquisition/Pacer.h"
#include "acquisition/SpectrometerLink.h"
#include "files/CalibrationText.h"
#include "spectrum/Conditioning.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

// The settings last sent to the device. The initial values match no real
// setting, so the first acquisition always configures the device.
struct DeviceSetup {
    std::int32_t exposure = -1;
    std::int32_t scans = -1;
    bool average = false;
    std::uint8_t extTrigMode = 255, extTrigEdge = 255;
    std::uint8_t optTrigMode = 255;
    std::uint16_t optTrigPoint = 32000, optTrigLevel = 64000;

    bool operator==(const DeviceSetup&) const = default;
};

// The view's current settings in the cache's form.
DeviceSetup currentSetup(const SpectrumStore& store);

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
    // the worker. The store is shared with the view without locks.
    CthreadMag(SpectrumStore& store, QObject* target, SpectrometerLink& link, Pacer& pacer);
    ~CthreadMag() override;

    // Ends a status wait at once and makes later waits end at once; for
    // shutdown, callable from any thread.
    void requestStop() { m_stopping = true; }

    // Runs one operation on the calling thread (the request handler).
    void perform(Operation operation);

    const DeviceSetup& deviceSetup() const { return m_setup; }
    std::uint8_t scanMode() const { return m_scanMode; }
    const DarkWeights& darkWeights() const { return *m_darkWeights; }

protected:
    bool event(QEvent* event) override;

private:
    void detect();
    void acquire();
    void readCalibration();
    void writeCalibration();

    void configure();
    // Polls getStatus every 25 ms until the device is ready; returns the last result.
    std::int32_t waitUntilReady();
    // Reads frame frameNumber into row of the target buffer; returns the
    // transfer's result. The row is filled only when the read succeeded.
    std::int32_t readFrameInto(std::uint16_t frameNumber, double* row);
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
    void complete(Operation operation, OperationOutcome outcome);

    SpectrumStore& m_store;
    QObject* m_target;
    SpectrometerLink& m_link;
    Pacer& m_pacer;
    std::atomic<bool> m_stopping{false};

    DeviceSetup m_setup;
    std::uint8_t m_scanMode = kScanModeAveraged;
    std::array<std::uint16_t, kFrameBufferPixels> m_frame{};
    std::int32_t m_saturatedInAcquisition = 0;  // most saturated frame of this acquisition
    std::unique_ptr<DarkWeights> m_darkWeights;
    std::unique_ptr<ConditionScratch> m_scratch;
    std::vector<std::uint8_t> m_flashRead;    // the 20 flash pages
    std::vector<std::uint8_t> m_flashRecord;  // the writer's 130 000-byte buffer
    std::vector<std::uint8_t> m_flashVerify;  // the flash read back after writing
};

}  // namespace halden
