#include "hid/HidapiBackend.h"

#include <mutex>

#include <hidapi.h>

namespace vantrel::hid {

namespace {

class HidapiDevice final : public Device {
public:
    explicit HidapiDevice(hid_device* device) : m_device(device) {}
    ~HidapiDevice() override { hid_close(m_device); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    int write(const std::uint8_t* data, std::size_t length) override
    {
        return hid_write(m_device, data, length);
    }
    int readTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override
    {
        return hid_read_timeout(m_device, data, length, milliseconds);
    }

private:
    hid_device* m_device;
};

// hidapi initialises itself on first use, which is not safe when two
// threads make that first use at once; it is done once here instead.
void initialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { hid_init(); });
}

class HidapiBackend final : public Backend {
public:
    std::vector<DeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override
    {
        initialiseOnce();
        std::vector<DeviceInfo> devices;
        hid_device_info* list = hid_enumerate(vendorId, productId);
        for (hid_device_info* entry = list; entry; entry = entry->next) {
            DeviceInfo info;
            if (entry->serial_number) info.serialNumber = narrowFromWide(entry->serial_number);
            devices.push_back(std::move(info));
        }
        hid_free_enumeration(list);
        return devices;
    }

    std::unique_ptr<Device> open(std::uint16_t vendorId, std::uint16_t productId,
                                 const char* serialNumber) override
    {
        initialiseOnce();
        hid_device* device = nullptr;
        if (serialNumber) {
            const std::wstring wide = wideFromNarrow(serialNumber);
            device = hid_open(vendorId, productId, wide.c_str());
        } else {
            device = hid_open(vendorId, productId, nullptr);
        }
        if (!device) return nullptr;
        return std::make_unique<HidapiDevice>(device);
    }
};

void appendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = U'?';
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

Backend& hidapiBackend()
{
    static HidapiBackend backend;
    return backend;
}

std::string narrowFromWide(const wchar_t* wide)
{
    std::string out;
    if (!wide) return out;
    for (; *wide; ++wide) appendUtf8(out, static_cast<char32_t>(*wide));
    return out;
}

std::wstring wideFromNarrow(std::string_view narrow)
{
    std::wstring out;
    for (std::size_t i = 0; i < narrow.size();) {
        const auto lead = static_cast<unsigned char>(narrow[i]);
        const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2
                                                      : (lead >> 3) == 0x1E ? 3 : -1;
        char32_t c = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F)
                                                                               : (lead & 0x07);
        bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < narrow.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(narrow[i + k]);
            if ((next & 0xC0) != 0x80) valid = false;
            else c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += L'?';
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace vantrel::hid
