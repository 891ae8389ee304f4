// Acquisitions per second through the acquisition worker on the instant
// virtual spectrometer, settings unchanged between acquisitions (so no
// device configuration): the worker's operation alone, and the full round
// trip of request, worker thread and completion through the session; and
// what handing a result across the thread boundary costs: building the
// request and publishing the result into the store.
#include <cstdlib>
#include <memory>

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include "acquisition/CthreadMag.h"
#include "acquisition/Session.h"
#include "common/Prompt.h"
#include "spectrum/AcquisitionExchange.h"
#include "vantrel_shared.h"

namespace {

using namespace halden;

class NoPause : public Pacer {
public:
    void pause(std::chrono::milliseconds) override {}
};

class SilentPrompt : public Prompt {
public:
    void showMessage(const std::string&, const std::string&) override {}
    bool askOkCancel(const std::string&, const std::string&) override { return true; }
    std::optional<std::string> chooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> chooseFolder() override { return std::nullopt; }
    bool askPrint() override { return false; }
};

void useInstantVirtualDevice()
{
    setenv("VANTREL_VIRTUAL", "1", 1);
    setenv("VANTREL_VIRTUAL_TIMING", "instant", 1);
}

void BM_WorkerAcquisition(benchmark::State& state)
{
    useInstantVirtualDevice();
    auto store = std::make_unique<SpectrumStore>();
    store->m_average = state.range(0) != 0;
    store->m_exposure = 100;
    LibraryLink link;
    NoPause pacer;
    CthreadMag worker(nullptr, link, pacer);
    const AcquisitionRequest request = makeAcquisitionRequest(*store, 1);
    worker.acquire(request);  // configures once
    for (auto _ : state) benchmark::DoNotOptimize(worker.acquire(request));
    state.counters["acquisitions/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    disconnectLibrary();
}
BENCHMARK(BM_WorkerAcquisition)->Arg(1)->Arg(0)->ArgName("average")->UseRealTime();

void BM_SessionRoundTrip(benchmark::State& state)
{
    useInstantVirtualDevice();
    SilentPrompt prompt;
    LibraryLink link;
    NoPause pacer;
    Session session(prompt, link, pacer);
    session.store().m_exposure = 100;  // 1 ms
    QEventLoop loop;
    QObject::connect(&session, &Session::acquisitionCompleted, &loop, &QEventLoop::quit);
    session.startAcquisition();
    loop.exec();
    for (auto _ : state) {
        session.startAcquisition();
        loop.exec();
    }
    state.counters["acquisitions/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SessionRoundTrip)->UseRealTime();

// The boundary's cost per acquisition (the target: under 20 us): the
// request built from the store on the user-interface thread, and a complete
// one-row result published into the store as the shown spectrum.
void BM_RequestAndPublish(benchmark::State& state)
{
    auto store = std::make_unique<SpectrumStore>();
    AcquisitionResult result;
    result.status = AcquisitionStatus::Complete;
    result.rowCount = 1;
    result.lastPoint = kSpectrumPoints - 1;
    result.rows.assign(kPointCapacity, 1234.5);
    std::uint64_t id = 0;
    for (auto _ : state) {
        AcquisitionRequest request = makeAcquisitionRequest(*store, ++id);
        result.settings = std::move(request.settings);
        publishAcquisition(*store, result);
        benchmark::DoNotOptimize(store->liveBuffer());
    }
}
BENCHMARK(BM_RequestAndPublish)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    disconnectLibrary();
    return 0;
}
