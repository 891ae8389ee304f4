// The device indices this process's Spectrometer objects hold. Like the
// library's ten slots it mirrors, this is process-wide: one Spectrometer per
// device index at a time (each configures its device as it last left it),
// and one operation at a time on each index, so that a device list never
// reads a device's flash while an acquisition on it waits for its frame.
#pragma once

#include <array>
#include <mutex>
#include <optional>

#include "acquisition/DeviceList.h"
#include "spectrum/SpectrumStore.h"

namespace halden::python {

using Identification = std::array<char, kCalibrationHeaderSize>;

class DeviceSlots {
public:
    static DeviceSlots& instance();

    // False when the index is held already.
    bool claim(int index);
    void release(int index);
    bool claimed(int index);

    // Held while a device operation runs on the index.
    std::mutex& operation(int index) { return m_operation[static_cast<std::size_t>(index)]; }

    // The identification record a Spectrometer read when it opened the
    // index, for device lists while it holds the index.
    void setIdentification(int index, const Identification& record);
    std::optional<Identification> identification(int index);

private:
    std::mutex m_mutex;
    std::array<bool, kMaxDevices> m_claimed{};
    std::array<std::optional<Identification>, kMaxDevices> m_identification{};
    std::array<std::mutex, kMaxDevices> m_operation;
};

}  // namespace halden::python
