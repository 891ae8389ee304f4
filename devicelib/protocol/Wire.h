// Building requests, sending them and reading replies; shared by the
// transactions of this folder only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/Protocol.h"
#include "protocol/Transactions.h"

namespace vantrel::protocol::wire {

// An output report: report id byte, then the 64-byte payload.
using Request = std::array<std::uint8_t, kOutputReportSize>;
// An input report buffer; the 64 payload bytes land from index 0.
using Reply = std::array<std::uint8_t, kInputBufferSize>;

// A request with the command code set and every other payload byte zero.
Request makeRequest(std::uint8_t command);

// Little-endian fields at payload offsets.
inline void put8(Request& r, std::size_t offset, std::uint8_t v) { r[1 + offset] = v; }
inline void put16(Request& r, std::size_t offset, std::uint16_t v)
{
    r[1 + offset] = static_cast<std::uint8_t>(v);
    r[2 + offset] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(Request& r, std::size_t offset, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i) r[1 + offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline std::uint16_t get16(const Reply& r, std::size_t offset)
{
    return static_cast<std::uint16_t>(r[offset] | (r[offset + 1] << 8));
}
inline std::uint32_t get32(const Reply& r, std::size_t offset)
{
    return static_cast<std::uint32_t>(r[offset]) | static_cast<std::uint32_t>(r[offset + 1]) << 8 |
           static_cast<std::uint32_t>(r[offset + 2]) << 16 |
           static_cast<std::uint32_t>(r[offset + 3]) << 24;
}

// One hid_write; true when all 65 bytes went out.
bool sendOnce(HandleRecord& record, const Request& request);

// Sends with one retry: on a failed write the device is opened again by the
// record's serial number and the report written once more. 0, 502 or 504.
int sendWithRetry(HandleRecord& record, const Request& request);

// Reads one input report; true only when exactly 64 payload bytes arrived.
bool readReply(HandleRecord& record, Reply& reply, int timeoutMs);

}  // namespace vantrel::protocol::wire
