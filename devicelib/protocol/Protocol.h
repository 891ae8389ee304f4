// Report layouts of the spectrometer's HID protocol: every command code,
// reply code, payload offset, size and time limit, named once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::protocol {

// Device identity.
inline constexpr std::uint16_t kVendorId = 0xE220;
inline constexpr std::uint16_t kProductId = 0x0100;

// Reports. Output reports go out as a report id byte (always 0) and a 64-byte
// payload; input reports are read into a 65-byte buffer and count only when
// exactly 64 payload bytes arrive.
inline constexpr std::size_t kPayloadSize = 64;
inline constexpr std::size_t kOutputReportSize = kPayloadSize + 1;
inline constexpr std::size_t kInputBufferSize = kPayloadSize + 1;
inline constexpr std::uint8_t kReportId = 0x00;
inline constexpr std::size_t kCommandOffset = 0;  // payload offset of command / reply code
inline constexpr std::uint8_t kReplyBit = 0x80;    // reply code = command code + 0x80

// Command codes.
inline constexpr std::uint8_t kCmdGetStatus = 0x01;
inline constexpr std::uint8_t kCmdSetExposure = 0x02;
inline constexpr std::uint8_t kCmdSetAcquisitionParameters = 0x03;
inline constexpr std::uint8_t kCmdSetFrameFormat = 0x04;
inline constexpr std::uint8_t kCmdSetExternalTrigger = 0x05;
inline constexpr std::uint8_t kCmdTriggerAcquisition = 0x06;
inline constexpr std::uint8_t kCmdClearMemory = 0x07;
inline constexpr std::uint8_t kCmdGetFrameFormat = 0x08;
inline constexpr std::uint8_t kCmdGetAcquisitionParameters = 0x09;
inline constexpr std::uint8_t kCmdGetFrame = 0x0A;
inline constexpr std::uint8_t kCmdSetOpticalTrigger = 0x0B;
inline constexpr std::uint8_t kCmdSetMultipleParameters = 0x0C;
inline constexpr std::uint8_t kCmdReadFlash = 0x1A;
inline constexpr std::uint8_t kCmdWriteFlash = 0x1B;
inline constexpr std::uint8_t kCmdEraseFlash = 0x1C;
inline constexpr std::uint8_t kCmdResetDevice = 0xF1;
inline constexpr std::uint8_t kCmdDetachDevice = 0xF2;

// Reply codes.
inline constexpr std::uint8_t kReplyGetStatus = 0x81;
inline constexpr std::uint8_t kReplySetExposure = 0x82;
inline constexpr std::uint8_t kReplySetAcquisitionParameters = 0x83;
inline constexpr std::uint8_t kReplySetFrameFormat = 0x84;
inline constexpr std::uint8_t kReplySetExternalTrigger = 0x85;
inline constexpr std::uint8_t kReplyClearMemory = 0x87;
inline constexpr std::uint8_t kReplyGetFrameFormat = 0x88;
inline constexpr std::uint8_t kReplyGetAcquisitionParameters = 0x89;
inline constexpr std::uint8_t kReplyFrameData = 0x8A;
inline constexpr std::uint8_t kReplySetOpticalTrigger = 0x8B;
// Set multiple parameters is answered with 0x89 (the get acquisition
// parameters code); a device answering with its own code 0x8C is accepted too.
inline constexpr std::uint8_t kReplySetMultipleParameters = 0x89;
inline constexpr std::uint8_t kReplySetMultipleParametersAlt = 0x8C;
inline constexpr std::uint8_t kReplyFlashData = 0x9A;
inline constexpr std::uint8_t kReplyWriteFlash = 0x9B;
inline constexpr std::uint8_t kReplyEraseFlash = 0x9C;

// Reply time limits.
inline constexpr int kReplyTimeoutMs = 100;       // every reply and every data report
inline constexpr int kEraseReplyTimeoutMs = 5000;  // erase flash

// Request parameter offsets (payload).
inline constexpr std::size_t kReqExposureTime = 1;        // 0x02: 32-bit
inline constexpr std::size_t kReqExposureFlag = 5;        // 0x02: 8-bit
inline constexpr std::size_t kReqScansNumber = 1;         // 0x03, 0x0C: 16-bit
inline constexpr std::size_t kReqBlankScansNumber = 3;    // 0x03, 0x0C: 16-bit
inline constexpr std::size_t kReqScanMode = 5;            // 0x03, 0x0C: 8-bit
inline constexpr std::size_t kReqAcqExposureTime = 6;     // 0x03, 0x0C: 32-bit
inline constexpr std::size_t kReqByteParameter1 = 10;     // 0x0C: 8-bit
inline constexpr std::size_t kReqByteParameter2 = 11;     // 0x0C: 8-bit
inline constexpr std::size_t kReqStartElement = 1;        // 0x04: 16-bit
inline constexpr std::size_t kReqEndElement = 3;          // 0x04: 16-bit
inline constexpr std::size_t kReqReductionMode = 5;       // 0x04: 8-bit
inline constexpr std::size_t kReqTriggerEnableMode = 1;   // 0x05, 0x0B: 8-bit
inline constexpr std::size_t kReqSignalFrontMode = 2;     // 0x05: 8-bit
inline constexpr std::size_t kReqTriggerPixel = 2;        // 0x0B: 16-bit
inline constexpr std::size_t kReqTriggerThreshold = 4;    // 0x0B: 16-bit
inline constexpr std::size_t kReqFrameZero = 1;           // 0x0A: 16-bit, always 0
inline constexpr std::size_t kReqFrameNumber = 3;         // 0x0A: 16-bit
inline constexpr std::size_t kReqFrameReportCount = 5;    // 0x0A: 8-bit
inline constexpr std::size_t kReqFlashAddress = 1;        // 0x1A, 0x1B: 32-bit
inline constexpr std::size_t kReqFlashReportCount = 5;    // 0x1A: 8-bit
inline constexpr std::size_t kReqFlashByteCount = 5;      // 0x1B: 8-bit
inline constexpr std::size_t kReqFlashData = 6;           // 0x1B: the data bytes

// Reply data offsets (payload).
inline constexpr std::size_t kRepStatus = 1;              // status byte of set commands
inline constexpr std::size_t kRepStatusFlags = 1;         // 0x81: 8-bit
inline constexpr std::size_t kRepFramesInMemory = 2;      // 0x81: 16-bit
inline constexpr std::size_t kRepSetFormatPixels = 2;     // 0x84: 16-bit
inline constexpr std::size_t kRepStartElement = 1;        // 0x88: 16-bit
inline constexpr std::size_t kRepEndElement = 3;          // 0x88: 16-bit
inline constexpr std::size_t kRepReductionMode = 5;       // 0x88: 8-bit
inline constexpr std::size_t kRepPixelsInFrame = 6;       // 0x88: 16-bit
inline constexpr std::size_t kRepScansNumber = 1;         // 0x89: 16-bit
inline constexpr std::size_t kRepBlankScansNumber = 3;    // 0x89: 16-bit
inline constexpr std::size_t kRepScanMode = 5;            // 0x89: 8-bit
inline constexpr std::size_t kRepExposureTime = 6;        // 0x89: 32-bit

// Data reports of frame and flash reads: reply code, 16-bit position of the
// first element carried, count of reports still to come, then the data.
inline constexpr std::size_t kDataPosition = 1;
inline constexpr std::size_t kDataRemaining = 3;
inline constexpr std::size_t kDataPayload = 4;
inline constexpr unsigned kRemainingInvalid = 250;        // countdowns of 250 or more are broken

// Sizes.
inline constexpr unsigned kPixelsPerReport = 30;
inline constexpr unsigned kMaxFrameReports = 124;
inline constexpr unsigned kFlashBytesPerReport = 60;
inline constexpr unsigned kMaxFlashReportsPerRequest = 100;
inline constexpr unsigned kFlashChunkBytes = kFlashBytesPerReport * kMaxFlashReportsPerRequest;  // 6000
inline constexpr unsigned kMaxFlashWriteBytes = 58;

// Result codes of the library's own making.
inline constexpr int kOk = 0;
inline constexpr int kErrBadIndex = 1;
inline constexpr int kErrNoWorker = 101;
inline constexpr int kErrNoDevice = 501;
inline constexpr int kErrOpen = 502;
inline constexpr int kErrWrite = 504;
inline constexpr int kErrNoReply = 505;
inline constexpr int kErrReplyCode = 506;
inline constexpr int kErrFrameSequence = 507;
inline constexpr int kErrFrameTooLong = 508;
inline constexpr int kErrNullBuffer = 509;
inline constexpr int kErrFlashSequence = 510;
inline constexpr int kFlashWriteEmpty = 255;  // writeFlash of 0 bytes

}  // namespace vantrel::protocol
