// The attached spectrometers as the device library sees them: their count
// and, per device index, the identification record at the start of the
// device's flash (16 bytes; bytes 10..15 name the instrument, as in its
// backup calibration file), and for instruments on USB their serial number
// string, from hidapi's enumeration, which the device library re-exports.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace halden {

inline constexpr int kMaxDevices = 10;  // the library addresses device indices 0..9

struct DeviceEntry {
    int index = 0;
    std::int32_t result = 0;             // of the flash read; 0 = the record was read
    std::array<char, 16> identification{};
    std::string serialNumber;            // USB serial; empty for virtual devices
    bool recordPresent() const { return identification[5] == '.'; }
    // Bytes 10..15, printable characters only ('?' for the others).
    std::string instrumentName() const;
};

// getDevicesCount, then one 16-byte flash read per device (at most ten) and,
// unless the library is on virtual spectrometers, the USB serial numbers.
std::vector<DeviceEntry> listDevices();

// The parts of the list: the USB serial numbers in enumeration order (none
// on virtual spectrometers), and one device's entry, its identification
// record read from its flash.
std::vector<std::string> deviceSerialNumbers();
DeviceEntry readDeviceEntry(int index, const std::vector<std::string>& serialNumbers);

// The 16 bytes with non-printable bytes as '?'.
std::string printableIdentification(const std::array<char, 16>& bytes);

}  // namespace halden
