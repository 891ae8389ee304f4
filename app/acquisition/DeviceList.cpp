#include "acquisition/DeviceList.h"

#include <dlfcn.h>
#include <hidapi/hidapi.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "vantrel_shared.h"

namespace halden {
namespace {

constexpr std::uint32_t kIdentificationSize = 16;

char printable(char c) { return c >= 0x20 && c < 0x7F ? c : '?'; }

// Reads the identification record of device index; the transfer's result.
std::int32_t readIdentification(int index, std::array<char, 16>& out)
{
    std::array<std::uint8_t, kIdentificationSize> bytes{};
    const auto device = static_cast<std::uint32_t>(index);
    std::int32_t result = readFlash(device, bytes.data(), 0, kIdentificationSize);
    if (result == 0) {
        std::int32_t state = 0;
        while ((result = getCurrentOperationInfo(device, nullptr, &state)) == 0 && state != VANTREL_STATE_FINISHED)
            std::this_thread::yield();
        if (result == 0) checkLastError(device, &result);
    }
    std::transform(bytes.begin(), bytes.end(), out.begin(), [](std::uint8_t b) { return static_cast<char>(b); });
    return result;
}

bool onVirtualSpectrometers()
{
    const char* n = std::getenv("VANTREL_VIRTUAL");
    return n && std::atoi(n) > 0;
}

std::string narrow(const wchar_t* wide)
{
    std::string out;
    for (; wide && *wide; ++wide) out += *wide < 0x80 ? static_cast<char>(*wide) : '?';
    return out;
}

// A function of hidapi by name: from the process's global scope, or, where
// the device library was loaded with local scope (a Python extension
// module), through the library's own handle, as it makes hidapi's functions
// available.
void* hidapiFunction(const char* name)
{
    if (void* f = dlsym(RTLD_DEFAULT, name)) return f;
    void* library = dlopen("libvantrel_shared.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return nullptr;
    void* f = dlsym(library, name);
    dlclose(library);  // only drops the reference NOLOAD took
    return f;
}

// The serial numbers in enumeration order, the order device indices count
// in; without hidapi's functions the list is empty.
std::vector<std::string> usbSerialNumbers()
{
    using Enumerate = hid_device_info* (*)(unsigned short, unsigned short);
    using Free = void (*)(hid_device_info*);
    const auto enumerate = reinterpret_cast<Enumerate>(hidapiFunction("hid_enumerate"));
    const auto release = reinterpret_cast<Free>(hidapiFunction("hid_free_enumeration"));
    std::vector<std::string> serials;
    if (!enumerate || !release) return serials;
    hid_device_info* list = enumerate(0xE220, 0x0100);
    for (hid_device_info* d = list; d; d = d->next) serials.push_back(narrow(d->serial_number));
    release(list);
    return serials;
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

std::vector<std::string> deviceSerialNumbers()
{
    return onVirtualSpectrometers() ? std::vector<std::string>{} : usbSerialNumbers();
}

DeviceEntry readDeviceEntry(int index, const std::vector<std::string>& serialNumbers)
{
    DeviceEntry entry;
    entry.index = index;
    if (index >= 0 && index < static_cast<int>(serialNumbers.size())) entry.serialNumber = serialNumbers[index];
    entry.result = readIdentification(index, entry.identification);
    return entry;
}

std::vector<DeviceEntry> listDevices()
{
    const int count = std::min(getDevicesCount(), kMaxDevices);
    const std::vector<std::string> serials = deviceSerialNumbers();
    std::vector<DeviceEntry> devices;
    for (int i = 0; i < count; ++i) devices.push_back(readDeviceEntry(i, serials));
    return devices;
}

}  // namespace halden
