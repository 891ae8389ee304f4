// The fixed pauses of the acquisition worker (50 ms before configuring the
// device, 25 ms between status polls) behind a small seam, so tests can run
// them instantly and act at a chosen poll (fire a trigger, unplug a device).
#pragma once

#include <chrono>
#include <thread>

namespace halden {

class Pacer {
public:
    virtual ~Pacer() = default;
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

// Real time: sleeps for the duration.
class SleepingPacer final : public Pacer {
public:
    void pause(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace halden
