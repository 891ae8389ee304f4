// The acquisition worker's message sequence against a recording device:
// when it configures, how it triggers, polls and reads, and how it recovers.
#include <memory>

#include <gtest/gtest.h>

#include "FakeSpectrometer.h"
#include "acquisition/CthreadMag.h"
#include "spectrum/AcquisitionExchange.h"
#include "spectrum/SpectrumStore.h"

namespace halden::test {
namespace {

using Calls = std::vector<std::string>;

class WorkerTest : public ::testing::Test {
protected:
    WorkerTest()
    {
        testApplication();
        store = std::make_unique<SpectrumStore>();
        // Raw frames pass through unchanged, so rows can be compared with pixels.
        store->m_testMode = true;
        worker = std::make_unique<CthreadMag>(&completions, device, pacer);
    }

    // One acquisition as the session makes it: a request from the store's
    // settings, the worker's answer published when complete.
    void acquire()
    {
        device.calls.clear();
        pacer.pauses.clear();
        WorkerRequest request;
        request.operation = Operation::Acquire;
        request.acquisition = makeAcquisitionRequest(*store, ++lastId);
        store->m_resendParameters = false;
        worker->perform(std::move(request));
        completions.deliver();
        const AcquisitionResult& result = completions.last().acquisition;
        if (result.status == AcquisitionStatus::Failed) store->m_resendParameters = true;
        publishAcquisition(*store, result);
    }

    AcquisitionStatus lastStatus() const { return completions.last().acquisition.status; }

    static Calls configurationFor(int extMode, int extEdge, int optMode, int pixel, int level, int scans,
                                  int scanMode, int exposure)
    {
        return {"clearMemory",
                "setExternalTrigger " + std::to_string(extMode) + " " + std::to_string(extEdge),
                "setOpticalTrigger " + std::to_string(optMode) + " " + std::to_string(pixel) + " " +
                    std::to_string(level),
                "setFrameFormat 0 3647 0",
                "setAcquisitionParameters " + std::to_string(scans) + " 0 " + std::to_string(scanMode) + " " +
                    std::to_string(exposure)};
    }

    FakeSpectrometer device;
    RecordingPacer pacer;
    CompletionRecorder completions;
    std::unique_ptr<SpectrumStore> store;
    std::unique_ptr<CthreadMag> worker;
    std::uint64_t lastId = 0;
};

TEST_F(WorkerTest, FirstAcquisitionConfiguresAndAveragedFrameLandsInRowZero)
{
    store->m_resendParameters = false;  // the cache alone forces the first set-up
    const bool selectBefore = store->m_bufferSelect;
    double* target = store->targetBuffer();
    acquire();

    EXPECT_EQ(device.configuration(), configurationFor(0, 0, 0, 1850, 2000, 1, 3, 5));
    EXPECT_EQ(pacer.count(50), 1u);
    EXPECT_EQ(device.count("triggerAcquisition"), 0u);  // the averaged mode needs no trigger
    EXPECT_EQ(device.count("getFrame 65535"), 1u);
    EXPECT_EQ(worker->scanMode(), kScanModeAveraged);
    for (int j : {0, 1, 100, 3693}) EXPECT_EQ(target[j], framePixel(j, 0xFFFF)) << j;
    EXPECT_NE(store->m_bufferSelect, selectBefore);
    ASSERT_EQ(completions.entries.size(), 1u);
    EXPECT_EQ(completions.entries[0].operation, Operation::Acquire);
    EXPECT_EQ(completions.entries[0].outcome, OperationOutcome::Done);
    EXPECT_FALSE(store->m_resendParameters);
}

TEST_F(WorkerTest, UnchangedSettingsSendNoConfiguration)
{
    store->m_average = false;
    acquire();
    ASSERT_FALSE(device.configuration().empty());
    acquire();
    EXPECT_EQ(device.calls, (Calls{"triggerAcquisition", "getStatus", "getFrame 0", "clearMemory"}));
    EXPECT_TRUE(pacer.pauses.empty());
}

TEST_F(WorkerTest, EverySettingOfTheCacheForcesAFullConfiguration)
{
    const std::vector<std::function<void(SpectrumStore&)>> changes = {
        [](SpectrumStore& s) { s.m_exposure = 77; },
        [](SpectrumStore& s) { s.m_scans = 3; },
        [](SpectrumStore& s) { s.m_average = !s.m_average; },
        [](SpectrumStore& s) { s.m_optTrigLevel = 2001; },
        [](SpectrumStore& s) { s.m_optTrigPoint = 1000; },
    };
    acquire();
    for (std::size_t i = 0; i < changes.size(); ++i) {
        changes[i](*store);
        acquire();
        const Calls config = device.configuration();
        ASSERT_GE(config.size(), 5u) << "change " << i;
        EXPECT_EQ(config[0], "clearMemory") << "change " << i;
        EXPECT_EQ(pacer.count(50), 1u) << "change " << i;
        acquire();
        EXPECT_TRUE(pacer.pauses.empty()) << "change " << i;
    }
}

TEST_F(WorkerTest, ExposureZeroIsSentAsOne)
{
    store->m_exposure = 0;
    acquire();
    EXPECT_EQ(device.configuration().back(), "setAcquisitionParameters 1 0 3 1");
    EXPECT_EQ(completions.last().acquisition.settings.device.exposure, 1);  // what was measured
    acquire();  // 0 still means 1: nothing to resend
    EXPECT_TRUE(device.configuration().empty());
}

TEST_F(WorkerTest, SeparateScansAreTriggeredAndReadRowByRow)
{
    store->m_average = false;
    store->m_scans = 3;
    double* target = store->targetBuffer();
    acquire();
    EXPECT_EQ(worker->scanMode(), kScanModeSeparate);
    const Calls tail(device.calls.end() - 6, device.calls.end());
    EXPECT_EQ(tail, (Calls{"triggerAcquisition", "getStatus", "getFrame 0", "getFrame 1", "getFrame 2",
                           "clearMemory"}));
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(target[k * kPointCapacity + 500], framePixel(500, k)) << k;
}

TEST_F(WorkerTest, ExternalTriggerWaitsForTheStatusByteWithoutTriggering)
{
    store->m_extTrigMode = 1;
    store->m_extTrigEdge = 2;
    store->m_scans = 2;  // averaging on, but a trigger forbids device averaging
    device.statusScript = {{0, 1, 0}, {0, 1, 0}, {0, 0, 2}};
    acquire();
    EXPECT_EQ(device.configuration().front(), "clearMemory");
    EXPECT_EQ(device.configuration()[1], "setExternalTrigger 1 2");
    EXPECT_EQ(device.configuration()[4], "setAcquisitionParameters 2 0 0 5");
    EXPECT_EQ(device.count("triggerAcquisition"), 0u);
    EXPECT_EQ(device.count("getStatus"), 3u);
    EXPECT_EQ(pacer.count(25), 2u);
    EXPECT_EQ(device.count("getFrame 0") + device.count("getFrame 1"), 2u);
}

TEST_F(WorkerTest, OpticalTriggerUsesSeparateScansToo)
{
    store->m_optTrigMode = 3;
    acquire();
    EXPECT_EQ(device.configuration()[2], "setOpticalTrigger 3 1850 2000");
    EXPECT_EQ(worker->scanMode(), kScanModeSeparate);
    EXPECT_EQ(device.count("triggerAcquisition"), 0u);
    EXPECT_EQ(device.count("getFrame 0"), 1u);
}

TEST_F(WorkerTest, AveragedModeWaitsUntilAFrameIsHeld)
{
    // A failing first poll leaves the counters at 0: busy in scan mode 3.
    device.statusScript = {{505, 9, 9}, {0, 0, 0}, {0, 0, 1}};
    acquire();
    EXPECT_EQ(device.count("getStatus"), 3u);
    EXPECT_EQ(pacer.count(25), 2u);
    EXPECT_EQ(device.count("getFrame 65535"), 1u);
}

// Stopping used to end the wait "like a ready device": the frame buffer,
// never filled, was conditioned and published as a spectrum of zeros.
TEST_F(WorkerTest, StoppingRunEndsAWaitWithoutReadingOrPublishingAnything)
{
    for (const bool trigger : {true, false}) {
        store->m_extTrigMode = trigger ? 1 : 0;  // a trigger wait, or a long averaged exposure
        acquire();  // configured, published
        const bool select = store->m_bufferSelect;
        const double shown = store->liveBuffer()[200];
        for (int i = 0; i < 100; ++i) device.statusScript.push_back({0, 1, 0});
        const int stopAt = trigger ? 4 : 0;  // late in the wait, or at its first poll
        pacer.onPause = [&](int index) {
            if (index == stopAt) worker->cancelThrough(lastId);  // Run unchecked
        };
        acquire();
        pacer.onPause = nullptr;
        device.statusScript.clear();
        EXPECT_EQ(pacer.count(25), static_cast<std::size_t>(stopAt + 1)) << trigger;
        EXPECT_EQ(device.count("getFrame 0") + device.count("getFrame 65535"), 0u) << trigger;
        EXPECT_EQ(lastStatus(), AcquisitionStatus::Interrupted) << trigger;
        EXPECT_EQ(completions.entries.back().outcome, OperationOutcome::DeviceFailed) << trigger;
        EXPECT_EQ(store->m_bufferSelect, select) << trigger;
        EXPECT_EQ(store->liveBuffer()[200], shown) << trigger;
        // The device may still be exposing: the next acquisition starts clean.
        acquire();
        EXPECT_EQ(device.configuration().front(), "clearMemory") << trigger;
        EXPECT_EQ(lastStatus(), AcquisitionStatus::Complete) << trigger;
    }
}

// A stop names the acquisitions it ends: a later request is not cut short.
TEST_F(WorkerTest, AStopForAnEarlierAcquisitionDoesNotEndALaterOne)
{
    acquire();
    worker->cancelThrough(lastId);
    device.statusScript = {{0, 0, 0}, {0, 0, 0}, {0, 0, 1}};
    acquire();
    EXPECT_EQ(lastStatus(), AcquisitionStatus::Complete);
    EXPECT_EQ(device.count("getFrame 65535"), 1u);
}

// After an outage the device answers again, but a set command that failed
// meanwhile left it unconfigured: the acquisition must not wait on it for
// ever, and the next one configures anew.
TEST_F(WorkerTest, AFailedSetCommandFailsTheAcquisitionAndIsSentAgain)
{
    acquire();
    store->m_exposure = 200;  // a change: the next acquisition configures
    device.setResults["setAcquisitionParameters"] = 503;
    acquire();
    EXPECT_EQ(lastStatus(), AcquisitionStatus::Failed);
    EXPECT_EQ(completions.last().acquisition.failedCommand, "setAcquisitionParameters");
    EXPECT_EQ(device.count("getStatus"), 0u);  // no wait on a device without its settings
    device.setResults.clear();
    acquire();
    EXPECT_EQ(device.configuration().front(), "clearMemory");
    EXPECT_EQ(lastStatus(), AcquisitionStatus::Complete);
    acquire();
    EXPECT_TRUE(device.configuration().empty());
}

TEST_F(WorkerTest, DeviceGoneDuringTheWaitCompletesAndForcesReconfiguration)
{
    store->m_extTrigMode = 1;
    acquire();
    const bool select = store->m_bufferSelect;
    device.statusScript = {{0, 1, 0}, {0, 1, 0}, {502, 0, 0}};
    acquire();
    EXPECT_EQ(device.count("getFrame 0"), 0u);
    EXPECT_TRUE(store->m_resendParameters);
    EXPECT_EQ(store->m_bufferSelect, select);  // nothing published
    EXPECT_EQ(completions.entries.back().outcome, OperationOutcome::DeviceFailed);
    acquire();
    EXPECT_EQ(device.configuration().front(), "clearMemory");
    EXPECT_EQ(pacer.count(50), 1u);
}

TEST_F(WorkerTest, FrameOutOfSequenceStopsTheScanLoopAndPublishesNothing)
{
    store->m_average = false;
    store->m_scans = 4;
    double* target = store->targetBuffer();
    target[1 * kPointCapacity + 10] = -5;
    device.frameResults = {0, 0, 507};
    acquire();
    EXPECT_EQ(device.count("getFrame 3"), 0u);
    EXPECT_EQ(device.calls.back(), "clearMemory");
    EXPECT_EQ(target[1 * kPointCapacity + 10], -5);  // rows read before the failure are not shown either
    EXPECT_TRUE(store->m_resendParameters);
}

TEST_F(WorkerTest, AveragedFrameWithWrongReplyLeavesRowZero)
{
    double* target = store->targetBuffer();
    target[7] = -1;
    device.frameResults = {506};
    acquire();
    EXPECT_EQ(target[7], -1);
    EXPECT_TRUE(store->m_resendParameters);
    EXPECT_EQ(completions.entries.back().outcome, OperationOutcome::DeviceFailed);
}

// A time-out, a failed write, an oversized frame or a null buffer used to
// pass as success and publish the previous frame again.
TEST_F(WorkerTest, AnyFailedFrameReadFailsTheAcquisitionAndPublishesNothing)
{
    for (const std::int32_t code : {505, 504, 508, 509, 510, 506}) {
        acquire();  // a good one: configured, published
        ASSERT_EQ(completions.entries.back().outcome, OperationOutcome::Done);
        const bool select = store->m_bufferSelect;
        const double shown = store->liveBuffer()[100];
        double* target = store->targetBuffer();
        target[100] = -7;
        device.frameResults = {code};
        acquire();
        EXPECT_EQ(completions.entries.back().outcome, OperationOutcome::DeviceFailed) << code;
        EXPECT_EQ(store->m_bufferSelect, select) << code;
        EXPECT_EQ(store->liveBuffer()[100], shown) << code;
        EXPECT_EQ(target[100], -7) << code;
        EXPECT_TRUE(store->m_resendParameters) << code;
        acquire();  // configured anew, and delivers
        EXPECT_EQ(device.configuration().front(), "clearMemory") << code;
        EXPECT_EQ(completions.entries.back().outcome, OperationOutcome::Done) << code;
        EXPECT_NE(store->m_bufferSelect, select) << code;
    }
}

TEST_F(WorkerTest, FailedScanStopsTheLoopAndPublishesNoPartOfTheScans)
{
    store->m_average = false;
    store->m_scans = 3;
    acquire();
    const bool select = store->m_bufferSelect;
    device.frameResults = {0, 505};
    acquire();
    EXPECT_EQ(device.count("getFrame 2"), 0u);
    EXPECT_EQ(device.calls.back(), "clearMemory");
    EXPECT_EQ(store->m_bufferSelect, select);
    EXPECT_EQ(completions.entries.back().outcome, OperationOutcome::DeviceFailed);
}

TEST_F(WorkerTest, SilentDeviceIsToldOnceWhileTheWaitGoesOn)
{
    acquire();
    completions.silentNotices = 0;
    // Averaged mode waits for a frame; the device stops answering for 40
    // polls, then holds one.
    for (int i = 0; i < 40; ++i) device.statusScript.push_back({505, 0, 0});
    device.statusScript.push_back({0, 0, 1});
    acquire();
    EXPECT_EQ(completions.silentNotices, 1);
    EXPECT_EQ(device.count("getStatus"), 41u);
    EXPECT_EQ(completions.entries.back().outcome, OperationOutcome::Done);
    acquire();
    EXPECT_EQ(completions.silentNotices, 1);  // answered at once: no notice
}

TEST_F(WorkerTest, ScansBeyondTheBufferRowsAreNotRead)
{
    store->m_average = false;
    store->m_scans = 100;  // a caller that skipped the clamp
    acquire();
    EXPECT_EQ(device.count("getFrame 63"), 1u);
    EXPECT_EQ(device.count("getFrame 64"), 0u);
}

TEST_F(WorkerTest, DetectionCountsDevicesAndUnknownCodesAreIgnored)
{
    device.devices = 2;
    for (const Operation op : {Operation::Detect, static_cast<Operation>(7), Operation::None}) {
        WorkerRequest request;
        request.operation = op;
        worker->perform(std::move(request));
    }
    completions.deliver();
    EXPECT_EQ(completions.last().deviceCount, 2);
    EXPECT_EQ(device.calls, (Calls{"getDevicesCount"}));
    ASSERT_EQ(completions.entries.size(), 1u);
    EXPECT_EQ(completions.entries[0].operation, Operation::Detect);
}

TEST_F(WorkerTest, RequestEventCarriesItsOwnOperation)
{
    // The view may rewrite m_operation while a request waits in the queue.
    device.devices = 3;
    QCoreApplication::postEvent(worker.get(), new RequestEvent(Operation::Detect));
    store->m_operation = Operation::Acquire;
    QCoreApplication::sendPostedEvents(worker.get(), kRequestEventType);
    completions.deliver();
    EXPECT_EQ(device.calls, (Calls{"getDevicesCount"}));
    EXPECT_EQ(completions.last().deviceCount, 3);
}

}  // namespace
}  // namespace halden::test
