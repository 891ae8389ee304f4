// The report protocol as the instrument sees it: command codes, reply
// codes and little-endian field access on 64-byte payloads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::virt {

constexpr std::size_t kPayloadSize = 64;

constexpr std::uint8_t kCmdGetStatus = 0x01;
constexpr std::uint8_t kCmdSetExposure = 0x02;
constexpr std::uint8_t kCmdSetAcquisitionParameters = 0x03;
constexpr std::uint8_t kCmdSetFrameFormat = 0x04;
constexpr std::uint8_t kCmdSetExternalTrigger = 0x05;
constexpr std::uint8_t kCmdTriggerAcquisition = 0x06;
constexpr std::uint8_t kCmdClearMemory = 0x07;
constexpr std::uint8_t kCmdGetFrameFormat = 0x08;
constexpr std::uint8_t kCmdGetAcquisitionParameters = 0x09;
constexpr std::uint8_t kCmdGetFrame = 0x0A;
constexpr std::uint8_t kCmdSetOpticalTrigger = 0x0B;
constexpr std::uint8_t kCmdSetMultipleParameters = 0x0C;
constexpr std::uint8_t kCmdReadFlash = 0x1A;
constexpr std::uint8_t kCmdWriteFlash = 0x1B;
constexpr std::uint8_t kCmdEraseFlash = 0x1C;
constexpr std::uint8_t kCmdReset = 0xF1;
constexpr std::uint8_t kCmdDetach = 0xF2;

constexpr std::uint8_t kReplyFlag = 0x80;
constexpr std::uint16_t kAveragedFrame = 0xFFFF;

// Status flags of get status.
constexpr std::uint8_t kStatusAcquiring = 0x01;
constexpr std::uint8_t kStatusWaitingForTrigger = 0x02;

// Status bytes of set commands.
constexpr std::uint8_t kStatusOk = 0;
constexpr std::uint8_t kStatusBadParameter = 1;

inline std::uint8_t replyCodeFor(std::uint8_t command)
{
    return command == kCmdSetMultipleParameters ? std::uint8_t{0x89}
                                                : static_cast<std::uint8_t>(command + kReplyFlag);
}

inline bool isKnownCommand(std::uint8_t c)
{
    return (c >= kCmdGetStatus && c <= kCmdSetMultipleParameters) || c == kCmdReadFlash ||
           c == kCmdWriteFlash || c == kCmdEraseFlash || c == kCmdReset || c == kCmdDetach;
}

inline bool expectsReply(std::uint8_t c)
{
    return isKnownCommand(c) && c != kCmdTriggerAcquisition && c != kCmdReset && c != kCmdDetach;
}

inline bool hasStatusByte(std::uint8_t c)
{
    return (c >= kCmdSetExposure && c <= kCmdSetExternalTrigger) || c == kCmdClearMemory ||
           c == kCmdSetOpticalTrigger || c == kCmdSetMultipleParameters || c == kCmdWriteFlash ||
           c == kCmdEraseFlash;
}

inline std::uint16_t get16(const std::uint8_t* p, std::size_t at)
{
    return static_cast<std::uint16_t>(p[at] | (p[at + 1] << 8));
}

inline std::uint32_t get32(const std::uint8_t* p, std::size_t at)
{
    return static_cast<std::uint32_t>(p[at]) | (static_cast<std::uint32_t>(p[at + 1]) << 8) |
           (static_cast<std::uint32_t>(p[at + 2]) << 16) | (static_cast<std::uint32_t>(p[at + 3]) << 24);
}

inline void put16(std::uint8_t* p, std::size_t at, std::uint16_t v)
{
    p[at] = static_cast<std::uint8_t>(v);
    p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void put32(std::uint8_t* p, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace vantrel::virt
