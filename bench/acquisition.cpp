// Acquisitions per second through the acquisition worker on the instant
// virtual spectrometer, settings unchanged between acquisitions (so no
// device configuration): the worker's operation alone, and the full round
// trip of request, worker thread and completion through the session.
#include <cstdlib>
#include <memory>

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

#include "acquisition/CthreadMag.h"
#include "acquisition/Session.h"
#include "common/Prompt.h"
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
    CthreadMag worker(*store, nullptr, link, pacer);
    worker.perform(Operation::Acquire);  // configures once
    for (auto _ : state) worker.perform(Operation::Acquire);
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
    session.store().m_chartBar.exposureText.assign(1, '1');  // 1 ms (assign avoids a GCC 12 -Wrestrict false positive)
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
