// The acquisition worker's binding to the device library: the library
// functions it uses, on one device index. LibraryLink calls the library;
// tests wrap it to record the calls or to substitute results.
#pragma once

#include <cstdint>

namespace halden {

class SpectrometerLink {
public:
    virtual ~SpectrometerLink() = default;

    virtual std::int32_t getDevicesCount() = 0;
    virtual std::int32_t clearMemory() = 0;
    virtual std::int32_t setExternalTrigger(std::uint8_t mode, std::uint8_t edge) = 0;
    virtual std::int32_t setOpticalTrigger(std::uint8_t mode, std::uint16_t pixel, std::uint16_t level) = 0;
    virtual std::int32_t setFrameFormat(std::uint16_t start, std::uint16_t end, std::uint8_t reduction,
                                        std::uint16_t* pixelsInFrame) = 0;
    virtual std::int32_t setAcquisitionParameters(std::uint16_t scans, std::uint16_t blankScans,
                                                  std::uint8_t scanMode, std::uint32_t exposure) = 0;
    virtual std::int32_t triggerAcquisition() = 0;
    virtual std::int32_t getStatus(std::uint8_t* statusFlags, std::uint16_t* framesInMemory) = 0;
    virtual std::int32_t eraseFlash() = 0;

    // Asynchronous: return 0 once the library's worker has taken the transfer.
    virtual std::int32_t getFrame(std::uint16_t* frame, std::uint16_t frameNumber) = 0;
    virtual std::int32_t readFlash(std::uint8_t* buffer, std::uint32_t address, std::uint32_t count) = 0;
    virtual std::int32_t writeFlash(const std::uint8_t* buffer, std::uint32_t address, std::uint32_t count) = 0;
    virtual std::int32_t getCurrentOperationInfo(std::int32_t* code, std::int32_t* state) = 0;
    virtual std::int32_t checkLastError(std::int32_t* lastResult) = 0;
};

// The library itself, on one device index (the window and halden-cli use 0).
class LibraryLink : public SpectrometerLink {
public:
    explicit LibraryLink(std::uint32_t device = 0) : m_device(device) {}

    std::int32_t getDevicesCount() override;
    std::int32_t clearMemory() override;
    std::int32_t setExternalTrigger(std::uint8_t mode, std::uint8_t edge) override;
    std::int32_t setOpticalTrigger(std::uint8_t mode, std::uint16_t pixel, std::uint16_t level) override;
    std::int32_t setFrameFormat(std::uint16_t start, std::uint16_t end, std::uint8_t reduction,
                                std::uint16_t* pixelsInFrame) override;
    std::int32_t setAcquisitionParameters(std::uint16_t scans, std::uint16_t blankScans,
                                          std::uint8_t scanMode, std::uint32_t exposure) override;
    std::int32_t triggerAcquisition() override;
    std::int32_t getStatus(std::uint8_t* statusFlags, std::uint16_t* framesInMemory) override;
    std::int32_t eraseFlash() override;
    std::int32_t getFrame(std::uint16_t* frame, std::uint16_t frameNumber) override;
    std::int32_t readFlash(std::uint8_t* buffer, std::uint32_t address, std::uint32_t count) override;
    std::int32_t writeFlash(const std::uint8_t* buffer, std::uint32_t address, std::uint32_t count) override;
    std::int32_t getCurrentOperationInfo(std::int32_t* code, std::int32_t* state) override;
    std::int32_t checkLastError(std::int32_t* lastResult) override;

private:
    std::uint32_t m_device;
};

// Library result codes the worker acts on.
inline constexpr std::int32_t kResultOpenFailed = 502;
inline constexpr std::int32_t kResultWrongReply = 506;
inline constexpr std::int32_t kResultFrameOutOfSequence = 507;

// 502, 506 and 507: the device must be configured anew at the next acquisition.
inline bool needsReconfiguration(std::int32_t result)
{
    return result == kResultOpenFailed || result == kResultWrongReply ||
           result == kResultFrameOutOfSequence;
}

}  // namespace halden
