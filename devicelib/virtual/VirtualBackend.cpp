#include "virtual/VirtualBackend.h"

#include "virtual/Detector.h"
#include "virtual/VirtualHub.h"

namespace vantrel::virt {
namespace {

bool matchesIdentity(std::uint16_t vendorId, std::uint16_t productId)
{
    // Zero matches any id, as in hidapi's enumeration.
    return (vendorId == 0 || vendorId == kVendorId) && (productId == 0 || productId == kProductId);
}

class VirtualDevice final : public hid::Device {
public:
    VirtualDevice(std::shared_ptr<VirtualSpectrometer> device, std::shared_ptr<Endpoint> endpoint)
        : m_device(std::move(device)), m_endpoint(std::move(endpoint))
    {
    }

    int write(const std::uint8_t* data, std::size_t length) override
    {
        return m_device->write(*m_endpoint, data, length);
    }

    int readTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override
    {
        return m_device->read(*m_endpoint, data, length, milliseconds);
    }

private:
    std::shared_ptr<VirtualSpectrometer> m_device;
    std::shared_ptr<Endpoint> m_endpoint;
};

class VirtualBackend final : public hid::Backend {
public:
    std::vector<hid::DeviceInfo> enumerate(std::uint16_t vendorId, std::uint16_t productId) override
    {
        std::vector<hid::DeviceInfo> list;
        if (!matchesIdentity(vendorId, productId)) return list;
        for (std::string& serial : hub().presentSerials()) list.push_back({std::move(serial)});
        return list;
    }

    std::unique_ptr<hid::Device> open(std::uint16_t vendorId, std::uint16_t productId,
                                      const char* serialNumber) override
    {
        if (!matchesIdentity(vendorId, productId)) return nullptr;
        std::shared_ptr<VirtualSpectrometer> device = hub().deviceForOpen(serialNumber);
        if (!device) return nullptr;
        std::shared_ptr<Endpoint> endpoint = device->open();
        if (!endpoint) return nullptr;
        return std::make_unique<VirtualDevice>(std::move(device), std::move(endpoint));
    }
};

}  // namespace

hid::Backend& virtualBackend()
{
    static VirtualBackend* backend = new VirtualBackend();
    return *backend;
}

}  // namespace vantrel::virt
