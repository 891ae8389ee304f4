#include "virtual/VirtualBackend.h"

namespace vantrel::virt {
namespace {

class EmptyBackend final : public hid::Backend {
public:
    std::vector<hid::DeviceInfo> enumerate(std::uint16_t, std::uint16_t) override { return {}; }
    std::unique_ptr<hid::Device> open(std::uint16_t, std::uint16_t, const char*) override
    {
        return nullptr;
    }
};

}  // namespace

hid::Backend& virtualBackend()
{
    static EmptyBackend backend;
    return backend;
}

}  // namespace vantrel::virt
