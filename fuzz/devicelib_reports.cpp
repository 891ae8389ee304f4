// Feeds arbitrary input report streams into frame and flash reads and checks
// that nothing lands outside the caller's buffer.
//
// Input: byte 0 chooses the read (bit 0: flash instead of frame) and whether
// countdown bytes are corrected to the expected sequence (bit 1, which lets
// the stream reach deep into long reads); bytes 1-2 give the frame length or
// byte count; the rest is cut into 64-byte input reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "hid/HidBackend.h"
#include "protocol/Protocol.h"
#include "protocol/Transactions.h"

namespace {

using namespace vantrel;

class ReplayDevice final : public hid::Device {
public:
    ReplayDevice(const std::uint8_t* data, std::size_t size, bool fixCountdown)
        : m_data(data), m_size(size), m_fixCountdown(fixCountdown)
    {
    }
    int write(const std::uint8_t* data, std::size_t length) override
    {
        if (length != protocol::kOutputReportSize) std::abort();
        m_expected = data[1 + protocol::kReqFrameReportCount];
        m_received = 0;
        return static_cast<int>(length);
    }
    int readTimeout(std::uint8_t* data, std::size_t length, int) override
    {
        if (length < protocol::kPayloadSize) std::abort();
        if (m_offset + protocol::kPayloadSize > m_size) return 0;
        std::memcpy(data, m_data + m_offset, protocol::kPayloadSize);
        m_offset += protocol::kPayloadSize;
        ++m_received;
        if (m_fixCountdown && m_received <= m_expected)
            data[protocol::kDataRemaining] = static_cast<std::uint8_t>(m_expected - m_received);
        return static_cast<int>(protocol::kPayloadSize);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_offset = 0;
    bool m_fixCountdown;
    unsigned m_expected = 0;
    unsigned m_received = 0;
};

constexpr std::size_t kGuardBytes = 256;
constexpr std::uint8_t kGuard = 0xC3;

bool guardsIntact(const std::vector<std::uint8_t>& storage, std::size_t payloadBytes)
{
    for (std::size_t i = 0; i < kGuardBytes; ++i)
        if (storage[i] != kGuard || storage[kGuardBytes + payloadBytes + i] != kGuard) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3) return 0;
    const bool flash = data[0] & 1;
    const bool fixCountdown = data[0] & 2;
    const unsigned length = static_cast<unsigned>(data[1] | (data[2] << 8));

    protocol::HandleRecord record;
    record.device = std::make_unique<ReplayDevice>(data + 3, size - 3, fixCountdown);
    if (flash) {
        const unsigned byteCount = length % 12001;  // up to two chunks and a bit
        std::vector<std::uint8_t> storage(byteCount + 2 * kGuardBytes, kGuard);
        protocol::readFlash(record, storage.data() + kGuardBytes, 0x1000, byteCount);
        if (!guardsIntact(storage, byteCount)) std::abort();
    } else {
        record.frameLength = static_cast<std::uint16_t>(length % 3800);
        const std::size_t bytes = std::size_t{record.frameLength} * 2;
        std::vector<std::uint8_t> storage(bytes + 2 * kGuardBytes, kGuard);
        protocol::readFrame(record, reinterpret_cast<std::uint16_t*>(storage.data() + kGuardBytes),
                            0xFFFF);
        if (!guardsIntact(storage, bytes)) std::abort();
    }
    return 0;
}
