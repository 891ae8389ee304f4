#include "virtual/VirtualHub.h"

#include <cstdio>
#include <cstdlib>

namespace vantrel::virt {
namespace {

std::optional<std::string> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

int clampIndex(int index)
{
    return index < 0 ? 0 : (index >= kMaxVirtualDevices ? kMaxVirtualDevices - 1 : index);
}

}  // namespace

Hub& Hub::instance()
{
    // Never destroyed: library teardown at exit may still close handles.
    static Hub* hub = new Hub();
    return *hub;
}

Hub::Hub()
{
    m_devices.resize(kMaxVirtualDevices);
}

void Hub::syncEnvironmentLocked()
{
    const std::optional<std::string> scene = environment("VANTREL_VIRTUAL_SCENE");
    const std::optional<std::string> timing = environment("VANTREL_VIRTUAL_TIMING");
    const std::optional<std::string> faults = environment("VANTREL_VIRTUAL_FAULTS");
    const bool first = !m_environmentRead;
    m_environmentRead = true;

    if (first || scene != m_seenScene) {
        m_seenScene = scene;
        std::optional<Scene> parsed = scene ? parseScene(*scene) : Scene::Lamp;
        if (!parsed) {
            std::fprintf(stderr, "VANTREL_VIRTUAL_SCENE: unknown scene \"%s\", using lamp\n", scene->c_str());
            parsed = Scene::Lamp;
        }
        m_scene = *parsed;
        for (auto& device : m_devices)
            if (device) device->setScene(m_scene);
    }
    if (first || timing != m_seenTiming) {
        m_seenTiming = timing;
        m_timing = timing && *timing == "instant" ? Timing::Instant : Timing::Usb;
        if (timing && *timing != "instant" && *timing != "usb")
            std::fprintf(stderr, "VANTREL_VIRTUAL_TIMING: unknown timing \"%s\", using usb\n", timing->c_str());
        for (auto& device : m_devices)
            if (device) device->setTiming(m_timing);
    }
    if (first || faults != m_seenFaults) {
        m_seenFaults = faults;
        m_faults->clear();
        if (faults) {
            const FaultSpec spec = parseFaultSpec(*faults);
            for (const FaultRule& rule : spec.rules) m_faults->add(rule);
            if (!spec.error.empty()) std::fprintf(stderr, "VANTREL_VIRTUAL_FAULTS: %s\n", spec.error.c_str());
        }
    }
}

std::shared_ptr<VirtualSpectrometer> Hub::deviceLocked(int index)
{
    index = clampIndex(index);
    if (!m_environmentRead) syncEnvironmentLocked();
    auto& device = m_devices[static_cast<std::size_t>(index)];
    if (!device) device = std::make_shared<VirtualSpectrometer>(index, m_scene, m_timing, m_faults);
    return device;
}

int Hub::deviceCountLocked()
{
    if (m_countOverride) return *m_countOverride;
    const char* text = std::getenv("VANTREL_VIRTUAL");
    if (text == nullptr) return 0;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || n < 0) return 0;
    return n > kMaxVirtualDevices ? kMaxVirtualDevices : static_cast<int>(n);
}

int Hub::deviceCount()
{
    std::lock_guard lock(m_mutex);
    return deviceCountLocked();
}

void Hub::setDeviceCount(std::optional<int> count)
{
    std::lock_guard lock(m_mutex);
    if (count) count = *count < 0 ? 0 : (*count > kMaxVirtualDevices ? kMaxVirtualDevices : *count);
    m_countOverride = count;
}

VirtualSpectrometer& Hub::device(int index)
{
    std::lock_guard lock(m_mutex);
    return *deviceLocked(index);
}

std::string Hub::serialNumber(int index)
{
    return device(index).serialNumber();
}

void Hub::setTiming(Timing timing)
{
    std::lock_guard lock(m_mutex);
    if (!m_environmentRead) syncEnvironmentLocked();
    m_timing = timing;
    for (auto& device : m_devices)
        if (device) device->setTiming(timing);
}

Timing Hub::timing()
{
    std::lock_guard lock(m_mutex);
    if (!m_environmentRead) syncEnvironmentLocked();
    return m_timing;
}

void Hub::setScene(int index, Scene scene)
{
    device(index).setScene(scene);
}

void Hub::setSceneAll(Scene scene)
{
    std::lock_guard lock(m_mutex);
    if (!m_environmentRead) syncEnvironmentLocked();
    m_scene = scene;
    for (auto& device : m_devices)
        if (device) device->setScene(scene);
}

bool Hub::fireExternalTrigger(int index, bool risingEdge)
{
    return device(index).fireExternalTrigger(risingEdge);
}

void Hub::unplug(int index, int absentOpens)
{
    device(index).unplug(absentOpens);
}

void Hub::replug(int index)
{
    device(index).replug();
}

std::vector<std::uint8_t> Hub::readFlash(int index)
{
    return device(index).flash();
}

void Hub::addFault(const FaultRule& rule)
{
    m_faults->add(rule);
}

std::string Hub::addFaults(std::string_view spec)
{
    const FaultSpec parsed = parseFaultSpec(spec);
    for (const FaultRule& rule : parsed.rules) m_faults->add(rule);
    return parsed.error;
}

void Hub::clearFaults()
{
    m_faults->clear();
}

std::uint64_t Hub::faultsFired()
{
    return m_faults->fired();
}

void Hub::reset()
{
    std::lock_guard lock(m_mutex);
    m_environmentRead = false;
    m_countOverride.reset();
    syncEnvironmentLocked();
    m_faults->clear();
    if (m_seenFaults) {
        const FaultSpec spec = parseFaultSpec(*m_seenFaults);
        for (const FaultRule& rule : spec.rules) m_faults->add(rule);
    }
    for (auto& device : m_devices) {
        if (!device) continue;
        device->setTiming(m_timing);
        device->resetToFactory(m_scene);
    }
}

std::vector<std::string> Hub::presentSerials()
{
    std::lock_guard lock(m_mutex);
    syncEnvironmentLocked();
    std::vector<std::string> serials;
    const int count = deviceCountLocked();
    for (int i = 0; i < count; ++i) {
        auto device = deviceLocked(i);
        if (device->plugged()) serials.push_back(device->serialNumber());
    }
    return serials;
}

std::shared_ptr<VirtualSpectrometer> Hub::deviceForOpen(const char* serialNumber)
{
    std::lock_guard lock(m_mutex);
    syncEnvironmentLocked();
    const int count = deviceCountLocked();
    if (count == 0) return nullptr;
    if (serialNumber == nullptr) {
        for (int i = 0; i < count; ++i) {
            auto device = deviceLocked(i);
            if (device->plugged()) return device;
        }
        return deviceLocked(0);  // its open fails and counts as an attempt
    }
    for (int i = 0; i < count; ++i) {
        auto device = deviceLocked(i);
        if (device->serialNumber() == serialNumber) return device;
    }
    return nullptr;
}

}  // namespace vantrel::virt
