// Cost of the virtual spectrometer: rendering one frame, and one averaged
// frame read report by report (instant timing), as the library would.
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

#include "virtual/CcdModel.h"
#include "virtual/Protocol.h"
#include "virtual/VirtualBackend.h"
#include "virtual/VirtualHub.h"

namespace {

using namespace vantrel::virt;

void renderFrame(benchmark::State& state)
{
    CcdModel model;
    model.setScene(Scene::Fluorescent, makeFactoryCalibration(0, false), 1.0);
    std::vector<std::uint16_t> frame(kDetectorPixels);
    FrameRequest request;
    for (auto _ : state) {
        ++request.seed;
        model.render(frame.data(), kDetectorPixels, request);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(renderFrame);

void readAveragedFrame(benchmark::State& state)
{
    hub().reset();
    hub().setTiming(Timing::Instant);
    hub().setDeviceCount(1);
    auto device = virtualBackend().open(kVendorId, kProductId, nullptr);
    std::array<std::uint8_t, 65> request{};
    std::array<std::uint8_t, 64> reply{};
    request[1] = kCmdSetAcquisitionParameters;
    put16(request.data() + 1, 1, 1);
    request[6] = 3;
    put32(request.data() + 1, 6, 1000);
    device->write(request.data(), request.size());
    device->readTimeout(reply.data(), reply.size(), 100);
    request.fill(0);
    request[1] = kCmdGetFrame;
    put16(request.data() + 1, 3, kAveragedFrame);
    request[6] = 124;
    for (auto _ : state) {
        device->write(request.data(), request.size());
        for (int k = 0; k < 124; ++k) device->readTimeout(reply.data(), reply.size(), 100);
        benchmark::DoNotOptimize(reply.data());
    }
    hub().reset();
}
BENCHMARK(readAveragedFrame);

}  // namespace

BENCHMARK_MAIN();
