// One simulated instrument: its settings and frame memory (lost when it is
// unplugged or reset), its flash (kept), its scene and the input reports
// waiting on each open handle. Every member is guarded by one mutex, so
// library workers and test threads may call in at the same time.
#pragma once

#include "virtual/CcdModel.h"
#include "virtual/Detector.h"
#include "virtual/FactoryCalibration.h"
#include "virtual/Faults.h"
#include "virtual/Protocol.h"
#include "virtual/Scene.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel::virt {

enum class Timing {
    Instant,  // acquisitions finish at once, replies wait for nobody
    Usb,      // exposure really elapses, 1 ms per input report, erase ~1 s
};

// Settings and acquisition state as a test sees them.
struct DeviceState {
    bool plugged = true;
    std::uint32_t exposure = 1000;
    std::uint8_t exposureFlag = 0;
    std::uint16_t scans = 1;
    std::uint16_t blankScans = 0;
    std::uint8_t scanMode = 0;
    std::uint8_t firstByteParameter = 0;
    std::uint8_t secondByteParameter = 0;
    std::uint16_t startElement = 0;
    std::uint16_t endElement = 3647;
    std::uint8_t reductionMode = 0;
    std::uint16_t frameLength = kDetectorPixels;
    std::uint8_t externalMode = 0;
    std::uint8_t externalEdge = 0;
    std::uint8_t opticalMode = 0;
    std::uint16_t opticalPixel = 0;   // active-pixel index: detector pixel 33 + this
    std::uint16_t opticalLevel = 0;
    std::uint8_t statusFlags = 0;     // as get status reports them
    std::uint16_t framesInMemory = 0;
    std::uint64_t acquisitions = 0;   // acquisitions started since power-up
};

// Input reports waiting for the host, oldest first. Storage is kept when the
// queue empties, so a stream of frames allocates nothing once warmed up.
template <typename T>
class ReportQueue {
public:
    bool empty() const { return m_head == m_items.size(); }
    std::size_t size() const { return m_items.size() - m_head; }
    const T& front() const { return m_items[m_head]; }
    const T& back() const { return m_items.back(); }
    void push_back(const T& item)
    {
        if (empty()) {
            clear();
        } else if (m_head >= 256 && m_head * 2 >= m_items.size()) {
            // Drop what the host has read when it never quite catches up.
            m_items.erase(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(m_head));
            m_head = 0;
        }
        m_items.push_back(item);
    }
    void pop_front()
    {
        if (++m_head == m_items.size()) clear();
    }
    void pop_back()
    {
        m_items.pop_back();
        if (empty()) clear();
    }
    void clear()
    {
        m_items.clear();
        m_head = 0;
    }

private:
    std::vector<T> m_items;
    std::size_t m_head = 0;
};

// The input side of one open handle.
struct Endpoint {
    struct Report {
        std::array<std::uint8_t, kPayloadSize> bytes{};
        std::chrono::steady_clock::time_point availableAt;
    };
    ReportQueue<Report> queue;
    std::uint64_t generation = 0;  // handle is dead once the device's generation moved on
};

class VirtualSpectrometer {
public:
    VirtualSpectrometer(int index, Scene scene, Timing timing, std::shared_ptr<FaultInjector> faults);

    int index() const { return m_index; }
    const std::string& serialNumber() const { return m_serial; }
    bool plugged() const;

    // Host side. open returns null while the device is unplugged.
    std::shared_ptr<Endpoint> open();
    int write(Endpoint& endpoint, const std::uint8_t* data, std::size_t length);
    int read(Endpoint& endpoint, std::uint8_t* data, std::size_t length, int milliseconds);

    // Control side.
    void setTiming(Timing timing) { m_timing.store(timing); }
    Timing timing() const { return m_timing.load(); }
    void setScene(Scene scene);
    Scene scene() const;
    void setSceneGain(double gain);
    void setNoise(bool enabled);
    void setSeed(std::uint64_t seed);
    bool fireExternalTrigger(bool risingEdge);
    void unplug(int absentOpens);
    void replug();
    void powerCycle();
    void restoreFactoryFlash();
    // As it left the factory: plugged, powered up, factory flash, noise on, gain 1, default seed.
    void resetToFactory(Scene scene);
    std::vector<std::uint8_t> flash() const;
    DeviceState state();
    // A copy: restoring the factory flash replaces the tables.
    FactoryCalibration factoryCalibration() const;
    double expectedCounts(int pixel, std::uint32_t exposure) const;
    // Pixels of the frame the device would send now (noise as configured).
    std::vector<std::uint16_t> currentFrame(std::uint16_t frameNumber);

private:
    using Clock = std::chrono::steady_clock;
    enum class Phase { Idle, WaitingForTrigger, Acquiring, Complete };
    struct Run {
        Clock::time_point start;
        std::uint32_t exposure = 1;
        std::uint16_t scans = 1;
        std::uint16_t blankScans = 0;
        bool averaged = false;
        std::uint64_t sequence = 0;
    };
    using Reply = std::array<std::uint8_t, kPayloadSize>;

    void resetVolatileLocked();
    void advanceLocked(Clock::time_point now);
    void rearmLocked(Clock::time_point now);
    void startRunLocked(Clock::time_point now);
    bool triggerEnabledLocked() const;
    bool opticalConditionLocked() const;
    void renderFrameLocked(std::uint16_t frameNumber, std::uint16_t* out, int count);
    void handleLocked(const std::uint8_t* request, std::vector<Reply>& replies, Clock::time_point now);
    void frameReportsLocked(const std::uint8_t* request, std::vector<Reply>& replies);
    void flashReportsLocked(const std::uint8_t* request, std::vector<Reply>& replies) const;
    std::uint8_t writeFlashLocked(const std::uint8_t* request);
    void unplugLocked(int absentOpens);
    void replugLocked();
    DeviceState stateLocked() const;

    const int m_index;
    const std::string m_serial;
    const std::shared_ptr<FaultInjector> m_faults;
    std::atomic<Timing> m_timing;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    FactoryCalibration m_factory;
    std::vector<std::uint8_t> m_flash;
    Scene m_scene;
    double m_gain = 1.0;
    bool m_noise = true;
    std::uint64_t m_seed;
    CcdModel m_model;
    bool m_plugged = true;
    int m_absentOpens = 0;
    std::uint64_t m_generation = 1;

    std::vector<Reply> m_replies;  // replies of the request in hand, storage reused

    DeviceState m_settings;  // settings part only; flags and counts come from the phase
    Phase m_phase = Phase::Idle;
    Run m_run;
    bool m_haveRun = false;
    std::uint16_t m_framesReady = 0;
    bool m_oneTimeUsed = false;
    std::uint64_t m_sequence = 0;
};

}  // namespace vantrel::virt
