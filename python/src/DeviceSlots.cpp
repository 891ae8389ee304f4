#include "DeviceSlots.h"

namespace halden::python {

DeviceSlots& DeviceSlots::instance() {
    // Never destroyed: a thread may still hold an operation at exit.
    static auto* slots = new DeviceSlots;
    return *slots;
}

bool DeviceSlots::claim(int index) {
    std::lock_guard lock(m_mutex);
    bool& held = m_claimed[static_cast<std::size_t>(index)];
    if (held) return false;
    held = true;
    m_identification[static_cast<std::size_t>(index)].reset();
    return true;
}

void DeviceSlots::release(int index) {
    std::lock_guard lock(m_mutex);
    m_claimed[static_cast<std::size_t>(index)] = false;
    m_identification[static_cast<std::size_t>(index)].reset();
}

bool DeviceSlots::claimed(int index) {
    std::lock_guard lock(m_mutex);
    return m_claimed[static_cast<std::size_t>(index)];
}

void DeviceSlots::setIdentification(int index, const Identification& record) {
    std::lock_guard lock(m_mutex);
    m_identification[static_cast<std::size_t>(index)] = record;
}

std::optional<Identification> DeviceSlots::identification(int index) {
    std::lock_guard lock(m_mutex);
    return m_identification[static_cast<std::size_t>(index)];
}

}  // namespace halden::python
