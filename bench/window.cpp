// The window keeps up with the instrument: acquisitions per second through
// the real main window against the session alone (what halden-cli acquire
// drives), both on the virtual spectrometer with the usb timing at 10 ms
// exposure; and one paint of a 1280 x 800 window during live acquisition.
#include <cstdlib>
#include <memory>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include "acquisition/Session.h"
#include "common/Prompt.h"
#include "spectrum/StoreCommands.h"
#include "window/CBrevitView.h"
#include "window/CMainFrame.h"

namespace {

using namespace halden;

class SilentPrompt : public Prompt {
public:
    void showMessage(const std::string&, const std::string&) override {}
    bool askOkCancel(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> chooseOpenFile() override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> chooseFolder() override { return std::nullopt; }
    bool askPrint() override { return false; }
};

void useVirtualDevice(const char* timing)
{
    setenv("VANTREL_VIRTUAL", "1", 1);
    setenv("VANTREL_VIRTUAL_TIMING", timing, 1);
}

// Runs the event loop until done() holds.
template <class Done>
void spinUntil(Done done)
{
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

std::unique_ptr<CMainFrame> openFrame(SilentPrompt& prompt, QSize size)
{
    CMainFrame::Options options;
    options.settingsFile = scratch().filePath(QStringLiteral("bench.ini"));
    auto frame = std::make_unique<CMainFrame>(prompt, options);
    frame->resize(size);
    frame->show();
    spinUntil([&] { return frame->session().store().m_chartBar.runEnabled; });
    frame->runCommand(1035, true);  // Run
    return frame;
}

void BM_WindowAcquisitions(benchmark::State& state)
{
    useVirtualDevice("usb");
    SilentPrompt prompt;
    auto frame = openFrame(prompt, QSize(800, 600));
    int seen = frame->acquisitions();
    spinUntil([&] { return frame->acquisitions() > seen + 1; });  // the device is configured
    seen = frame->acquisitions();
    for (auto _ : state) {
        spinUntil([&] { return frame->acquisitions() > seen; });
        seen = frame->acquisitions();
    }
    state.SetItemsProcessed(state.iterations());
    frame->runCommand(1035, false);
}

void BM_SessionAcquisitions(benchmark::State& state)
{
    useVirtualDevice("usb");
    SilentPrompt prompt;
    Session session(prompt);
    int done = 0;
    bool calibrated = false;
    QObject::connect(&session, &Session::calibrationCompleted, [&] { calibrated = true; });
    QObject::connect(&session, &Session::acquisitionCompleted, [&](bool failed) { done += failed ? 0 : 1; });
    session.chooseSpectrometer();
    spinUntil([&] { return calibrated; });
    session.setRun(true);
    spinUntil([&] { return done > 1; });
    int seen = done;
    for (auto _ : state) {
        spinUntil([&] { return done > seen; });
        seen = done;
    }
    state.SetItemsProcessed(state.iterations());
    session.setRun(false);
    spinUntil([&] { return !session.acquisitionInFlight(); });
}

void BM_WindowPaint1280x800(benchmark::State& state)
{
    useVirtualDevice("instant");
    SilentPrompt prompt;
    auto frame = openFrame(prompt, QSize(1280, 800));
    spinUntil([&] { return frame->acquisitions() > 2; });
    for (auto _ : state) {
        frame->view().repaint();  // preparation, rendering and the copy to the screen
        state.PauseTiming();
        QCoreApplication::processEvents();  // acquisitions go on between paints
        state.ResumeTiming();
    }
    state.counters["view_px"] = frame->view().width() * frame->view().height();
    frame->runCommand(1035, false);
}

}  // namespace

BENCHMARK(BM_WindowAcquisitions)->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionAcquisitions)->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowPaint1280x800)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QDir::setCurrent(scratch().path());  // the calibration backup lands here
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
