// Control of the virtual spectrometers, for tests and tools. Every call is
// thread-safe and may run while library workers talk to the devices.
//
// Environment (read when the hub is first used and again at every
// enumeration and open; a variable is applied only when its value changed):
//   VANTREL_VIRTUAL=N         N devices are enumerated (0..32); serials "VT00123",
//                             "VT00124", ... for device 0, 1, ...
//   VANTREL_VIRTUAL_SCENE     lamp (default), led, fluorescent, raman, sample, flat;
//                             a device created with "raman" is a Raman instrument
//                             ('R' at byte 0 of its flash record)
//   VANTREL_VIRTUAL_TIMING    usb (default): exposure x scans really elapses, 1 ms
//                             per input report, erase ~1 s; instant: no waiting
//   VANTREL_VIRTUAL_FAULTS    fault rules, grammar in Faults.h; replaces every rule
//                             in force when it changes
// Devices keep their state (settings, frames, flash) for the whole process.
#pragma once

#include "virtual/Faults.h"
#include "virtual/Scene.h"
#include "virtual/VirtualSpectrometer.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::virt {

constexpr int kMaxVirtualDevices = 32;

class Hub {
public:
    static Hub& instance();

    // Devices enumerated now: the count set by setDeviceCount, else VANTREL_VIRTUAL.
    int deviceCount();
    void setDeviceCount(std::optional<int> count);

    // Device i (0..31), created on first use with the current scene and timing.
    VirtualSpectrometer& device(int index);
    std::string serialNumber(int index);

    void setTiming(Timing timing);
    Timing timing();
    void setScene(int index, Scene scene);
    void setSceneAll(Scene scene);   // also the scene of devices created later

    // Fires the external trigger input; true when an armed device started.
    bool fireExternalTrigger(int index, bool risingEdge = true);
    // absentOpens: open attempts that fail before the device returns by itself (0 = never).
    void unplug(int index, int absentOpens = 0);
    void replug(int index);
    std::vector<std::uint8_t> readFlash(int index);

    void addFault(const FaultRule& rule);
    // Adds the rules of a spec string; returns the parse error text (empty when all parsed).
    std::string addFaults(std::string_view spec);
    void clearFaults();
    std::uint64_t faultsFired();

    // Back to a fresh process: every device re-plugged, powered up, factory flash for the
    // scene, noise on, gain 1, default seed; faults cleared; the environment read anew.
    void reset();

    // For the backend: serials of the enumerated, plugged devices in order, and the
    // device an open by serial (null = first) reaches.
    std::vector<std::string> presentSerials();
    std::shared_ptr<VirtualSpectrometer> deviceForOpen(const char* serialNumber);

private:
    Hub();
    std::shared_ptr<VirtualSpectrometer> deviceLocked(int index);
    void syncEnvironmentLocked();
    int deviceCountLocked();

    std::mutex m_mutex;
    std::vector<std::shared_ptr<VirtualSpectrometer>> m_devices;
    std::shared_ptr<FaultInjector> m_faults = std::make_shared<FaultInjector>();
    std::optional<int> m_countOverride;
    Scene m_scene = Scene::Lamp;
    Timing m_timing = Timing::Usb;
    std::optional<std::string> m_seenScene, m_seenTiming, m_seenFaults;
    bool m_environmentRead = false;
};

inline Hub& hub() { return Hub::instance(); }

}  // namespace vantrel::virt
