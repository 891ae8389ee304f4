// The HID transactions with one spectrometer. Each function runs one request
// (and its replies) on a handle record and returns a result code: 0, a
// non-zero device status byte, or one of the library's 50x codes. Callers
// serialise transactions per handle record (the slot's operation lock).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "hid/HidBackend.h"

namespace vantrel::protocol {

// The open device of a slot, the frame length it last reported and the
// serial number it was opened by.
struct HandleRecord {
    std::unique_ptr<hid::Device> device;
    std::uint16_t frameLength = 0;             // pixels per frame; 0 = not reported yet
    std::optional<std::string> serialNumber;   // empty = open the first matching device
};

// Opens the record's device when it holds none: by its serial number, else
// the first device with the spectrometer's ids. The record is replaced by a
// fresh one (frame length 0) that keeps the serial number, also when the open
// fails. Returns 0 or 502.
int prepare(HandleRecord& record);

struct FrameFormat {
    std::uint16_t startElement = 0;
    std::uint16_t endElement = 0;
    std::uint8_t reductionMode = 0;
    std::uint16_t pixelsInFrame = 0;
};

struct AcquisitionParameters {
    std::uint16_t scansNumber = 0;
    std::uint16_t blankScansNumber = 0;
    std::uint8_t scanMode = 0;
    std::uint32_t exposureTime = 0;
};

struct DeviceStatus {
    std::uint8_t statusFlags = 0;
    std::uint16_t framesInMemory = 0;
};

int getStatus(HandleRecord& record, DeviceStatus& status);
int setExposure(HandleRecord& record, std::uint32_t exposureTime, std::uint8_t exposureFlag);
int setAcquisitionParameters(HandleRecord& record, const AcquisitionParameters& parameters);
// On status 0 stores the reported frame length in the record and in pixelsInFrame.
int setFrameFormat(HandleRecord& record, std::uint16_t startElement, std::uint16_t endElement,
                   std::uint8_t reductionMode, std::uint16_t& pixelsInFrame);
int setExternalTrigger(HandleRecord& record, std::uint8_t enableMode, std::uint8_t signalFrontMode);
int triggerAcquisition(HandleRecord& record);
int clearMemory(HandleRecord& record);
// Sets the record's frame length to 0, then on success to the reported one.
int getFrameFormat(HandleRecord& record, FrameFormat& format);
int getAcquisitionParameters(HandleRecord& record, AcquisitionParameters& parameters);
int setOpticalTrigger(HandleRecord& record, std::uint8_t enableMode, std::uint16_t pixel,
                      std::uint16_t threshold);
int setMultipleParameters(HandleRecord& record, const AcquisitionParameters& parameters,
                          std::uint8_t byteParameter1, std::uint8_t byteParameter2);
int eraseFlash(HandleRecord& record);
int resetDevice(HandleRecord& record);
int detachDevice(HandleRecord& record);

// Reads one frame into destination, which holds at least the record's frame
// length of pixels; nothing is written beyond that length whatever pixel
// indices the device reports. Runs get frame format first when the frame
// length is not known.
int readFrame(HandleRecord& record, std::uint16_t* destination, std::uint16_t frameNumber);

// Reads byteCount bytes of flash from address into buffer (at least byteCount
// bytes), in requests of at most 100 reports; nothing is written beyond
// byteCount whatever offsets the device reports.
int readFlash(HandleRecord& record, std::uint8_t* buffer, std::uint32_t address,
              std::uint32_t byteCount);

// Writes byteCount bytes to flash at address, 58 bytes per request.
// 0 bytes sends nothing and gives 255.
int writeFlash(HandleRecord& record, const std::uint8_t* buffer, std::uint32_t address,
               std::uint32_t byteCount);

}  // namespace vantrel::protocol
