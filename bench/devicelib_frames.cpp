// Frames per second through the exported interface (getFrame, then polling
// for completion) and through the protocol layer alone, against the instant
// virtual spectrometer and against a replay device that costs nothing. The
// difference between the two is the library's per-frame overhead: posting,
// the worker hand-off and completion polling.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "hid/HidBackend.h"
#include "protocol/Protocol.h"
#include "protocol/Transactions.h"
#include "vantrel_shared.h"
#include "virtual/VirtualBackend.h"
#include "virtual/VirtualHub.h"

namespace {

using namespace vantrel;

constexpr unsigned kFrameLength = 3694;

// A device that answers a frame request with 124 prebuilt reports, and every
// other request with status 0 and a frame length of 3694.
class ReplayDevice final : public hid::Device {
public:
    ReplayDevice()
    {
        for (unsigned k = 0; k < kReports; ++k) {
            auto& r = m_frame[k];
            r.fill(0);
            r[0] = protocol::kReplyFrameData;
            r[1] = static_cast<std::uint8_t>(30 * k);
            r[2] = static_cast<std::uint8_t>((30 * k) >> 8);
            r[3] = static_cast<std::uint8_t>(kReports - 1 - k);
            for (unsigned j = 0; j < 30; ++j) r[4 + 2 * j] = static_cast<std::uint8_t>(j);
        }
    }
    int write(const std::uint8_t* data, std::size_t length) override
    {
        const std::uint8_t command = data[1];
        m_next = 0;
        m_framing = command == protocol::kCmdGetFrame;
        m_single.fill(0);
        m_single[0] = static_cast<std::uint8_t>(command | protocol::kReplyBit);
        if (command == protocol::kCmdGetFrameFormat) {
            m_single[6] = kFrameLength & 0xFF;
            m_single[7] = kFrameLength >> 8;
        } else if (command == protocol::kCmdSetFrameFormat) {
            m_single[2] = kFrameLength & 0xFF;
            m_single[3] = kFrameLength >> 8;
        }
        return static_cast<int>(length);
    }
    int readTimeout(std::uint8_t* data, std::size_t, int) override
    {
        if (m_framing) {
            if (m_next >= kReports) return 0;
            std::memcpy(data, m_frame[m_next++].data(), 64);
        } else {
            std::memcpy(data, m_single.data(), 64);
        }
        return 64;
    }

private:
    static constexpr unsigned kReports = 124;
    std::array<std::array<std::uint8_t, 64>, kReports> m_frame{};
    std::array<std::uint8_t, 64> m_single{};
    unsigned m_next = 0;
    bool m_framing = false;
};

class ReplayBackend final : public hid::Backend {
public:
    std::vector<hid::DeviceInfo> enumerate(std::uint16_t, std::uint16_t) override
    {
        return {hid::DeviceInfo{std::string("REPLAY-1")}};
    }
    std::unique_ptr<hid::Device> open(std::uint16_t, std::uint16_t, const char*) override
    {
        return std::make_unique<ReplayDevice>();
    }
};

ReplayBackend replayBackend;

void useVirtualDevice()
{
    setenv("VANTREL_VIRTUAL", "1", 1);
    setenv("VANTREL_VIRTUAL_TIMING", "instant", 1);
    virt::hub().setTiming(virt::Timing::Instant);
    hid::setBackendForTesting(&virt::virtualBackend());
}

void useReplayDevice() { hid::setBackendForTesting(&replayBackend); }

bool configure()
{
    std::uint16_t pixels = 0;
    return connectToDevice(0) == 0 && setFrameFormat(0, 0, 3647, 0, &pixels) == 0 &&
           setAcquisitionParameters(0, 1, 0, 3, 100) == 0 && setExposure(0, 100, 0) == 0 &&
           triggerAcquisition(0) == 0;
}

void fullStack(benchmark::State& state)
{
    if (!configure()) {
        state.SkipWithError("configuring the device failed");
        return;
    }
    std::vector<std::uint16_t> frame(kFrameLength);
    for (auto _ : state) {
        if (getFrame(0, frame.data(), 0xFFFF) != 0) {
            state.SkipWithError("getFrame refused");
            break;
        }
        std::int32_t code = 0, status = 0, result = 0;
        // Poll as a caller would, leaving the core to the worker between polls.
        for (;;) {
            getCurrentOperationInfo(0, &code, &status);
            if (status == 2) break;
            std::this_thread::yield();
        }
        checkLastError(0, &result);
        if (result != 0) {
            state.SkipWithError("frame read failed");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations());
    disconnectLibrary();
}

void protocolOnly(benchmark::State& state)
{
    protocol::HandleRecord record;
    std::uint16_t pixels = 0;
    if (protocol::setFrameFormat(record, 0, 3647, 0, pixels) != 0 ||
        protocol::setAcquisitionParameters(record, {1, 0, 3, 100}) != 0 ||
        protocol::triggerAcquisition(record) != 0) {
        state.SkipWithError("configuring the device failed");
        return;
    }
    std::vector<std::uint16_t> frame(kFrameLength);
    for (auto _ : state) {
        if (protocol::readFrame(record, frame.data(), 0xFFFF) != 0) {
            state.SkipWithError("frame read failed");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FullStack_VirtualInstant(benchmark::State& state)
{
    useVirtualDevice();
    fullStack(state);
    hid::setBackendForTesting(nullptr);
}

void BM_ProtocolOnly_VirtualInstant(benchmark::State& state)
{
    useVirtualDevice();
    protocolOnly(state);
    hid::setBackendForTesting(nullptr);
}

void BM_FullStack_Replay(benchmark::State& state)
{
    useReplayDevice();
    fullStack(state);
    hid::setBackendForTesting(nullptr);
}

void BM_ProtocolOnly_Replay(benchmark::State& state)
{
    useReplayDevice();
    protocolOnly(state);
    hid::setBackendForTesting(nullptr);
}

BENCHMARK(BM_FullStack_VirtualInstant)->UseRealTime();
BENCHMARK(BM_ProtocolOnly_VirtualInstant)->UseRealTime();
BENCHMARK(BM_FullStack_Replay)->UseRealTime();
BENCHMARK(BM_ProtocolOnly_Replay)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
