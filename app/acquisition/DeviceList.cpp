#include "acquisition/DeviceList.h"

#include <algorithm>
#include <thread>

#include "vantrel_shared.h"

namespace halden {
namespace {

constexpr int kMaxDevices = 10;
constexpr std::uint32_t kIdentificationSize = 16;
constexpr std::int32_t kStateFinished = 2;

char printable(char c) { return c >= 0x20 && c < 0x7F ? c : '?'; }

// Reads the identification record of device index; the transfer's result.
std::int32_t readIdentification(int index, std::array<char, 16>& out)
{
    std::array<std::uint8_t, kIdentificationSize> bytes{};
    const auto device = static_cast<std::uint32_t>(index);
    std::int32_t result = readFlash(device, bytes.data(), 0, kIdentificationSize);
    if (result == 0) {
        std::int32_t state = 0;
        while ((result = getCurrentOperationInfo(device, nullptr, &state)) == 0 && state != kStateFinished)
            std::this_thread::yield();
        if (result == 0) checkLastError(device, &result);
    }
    std::transform(bytes.begin(), bytes.end(), out.begin(), [](std::uint8_t b) { return static_cast<char>(b); });
    return result;
}

}  // namespace

std::string printableIdentification(const std::array<char, 16>& bytes)
{
    std::string out;
    for (char c : bytes) out += printable(c);
    return out;
}

std::string DeviceEntry::instrumentName() const
{
    std::string out;
    for (int i = 10; i < 16; ++i) out += printable(identification[i]);
    return out;
}

std::vector<DeviceEntry> listDevices()
{
    const int count = std::min(getDevicesCount(), kMaxDevices);
    std::vector<DeviceEntry> devices;
    for (int i = 0; i < count; ++i) {
        DeviceEntry entry;
        entry.index = i;
        entry.result = readIdentification(i, entry.identification);
        devices.push_back(entry);
    }
    return devices;
}

}  // namespace halden
