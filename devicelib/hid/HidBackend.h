// The narrow HID interface the protocol layer talks through. Implementations:
// Debian's hidapi (the default), the virtual spectrometer (VANTREL_VIRTUAL=N)
// and scripted devices in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::hid {

// One entry of an enumeration, in enumeration order.
struct DeviceInfo {
    std::optional<std::string> serialNumber;  // narrow copy; empty optional = no serial string
};

// An open device. Both calls mirror hidapi: write takes the report id byte
// followed by the payload and returns the bytes written or -1; readTimeout
// returns the payload bytes read (0 on timeout) or -1 on error.
class Device {
public:
    virtual ~Device() = default;
    virtual int write(const std::uint8_t* data, std::size_t length) = 0;
    virtual int readTimeout(std::uint8_t* data, std::size_t length, int milliseconds) = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual std::vector<DeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) = 0;
    // serialNumber null opens the first device with the ids; null result = open failed.
    virtual std::unique_ptr<Device> open(std::uint16_t vendorId, std::uint16_t productId,
                                         const char* serialNumber) = 0;
};

// The backend the library uses: the one installed for testing if any,
// otherwise the virtual spectrometer when VANTREL_VIRTUAL=N (N >= 1) is set,
// otherwise hidapi. Chosen anew on every call, so tests may change the
// environment between uses.
Backend& activeBackend();

// Installs a backend for tests (nullptr restores the normal choice). The
// caller keeps ownership and must keep it alive while the library uses it.
void setBackendForTesting(Backend* backend);

}  // namespace vantrel::hid
