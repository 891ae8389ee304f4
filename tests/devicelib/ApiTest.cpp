// The exported interface: index checks, connecting, synchronous calls and the
// posting of asynchronous operations to a slot's worker.
#include <atomic>
#include <vector>

#include "ApiFixture.h"
#include "api/DeviceSlot.h"

namespace vantrel::test {
namespace {

std::uint16_t pixelOf(unsigned j) { return static_cast<std::uint16_t>(j + 100); }

TEST_F(ApiTest, IndexTenIsRefusedByEveryFunction)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    uint8_t flags = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    int32_t i32 = 0;
    uint16_t frame[4] = {};
    uint8_t bytes[4] = {};
    EXPECT_EQ(connectToDevice(10), 1);
    EXPECT_EQ(checkLastError(10, &i32), 1);
    EXPECT_EQ(getCurrentOperationInfo(10, &i32, &i32), 1);
    EXPECT_EQ(getStatus(10, &flags, &u16), 1);
    EXPECT_EQ(setExposure(10, 1, 0), 1);
    EXPECT_EQ(setAcquisitionParameters(10, 1, 0, 0, 1), 1);
    EXPECT_EQ(setFrameFormat(10, 0, 1, 0, &u16), 1);
    EXPECT_EQ(setExternalTrigger(10, 0, 0), 1);
    EXPECT_EQ(triggerAcquisition(10), 1);
    EXPECT_EQ(clearMemory(10), 1);
    EXPECT_EQ(getFrameFormat(10, &u16, &u16, &flags, &u16), 1);
    EXPECT_EQ(getAcquisitionParameters(10, &u16, &u16, &flags, &u32), 1);
    EXPECT_EQ(setOpticalTrigger(10, 0, 0, 0), 1);
    EXPECT_EQ(setMultipleParameters(10, 0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(eraseFlash(10), 1);
    EXPECT_EQ(resetDevice(10), 1);
    EXPECT_EQ(detachDevice(10), 1);
    EXPECT_EQ(getFrame(10, frame, 0), 1);
    EXPECT_EQ(readFlash(10, bytes, 0, 4), 1);
    EXPECT_EQ(writeFlash(10, bytes, 0, 4), 1);
    EXPECT_EQ(i32, 0);
    EXPECT_EQ(device.openCount(), 0);
    EXPECT_TRUE(hid.openRequests().empty());
}

TEST_F(ApiTest, NoDeviceMeansCountZeroAndConnectFails)
{
    EXPECT_EQ(getDevicesCount(), 0);
    EXPECT_EQ(connectToDevice(0), 501);
    int32_t result = 77;
    EXPECT_EQ(checkLastError(0, &result), 101);
    EXPECT_EQ(result, 77);
    EXPECT_EQ(getCurrentOperationInfo(0, nullptr, nullptr), 101);
    disconnectLibrary();  // nothing connected: returns at once
}

TEST_F(ApiTest, ConnectNeedsADeviceWithASerialThatOpens)
{
    hid.addDevice(std::string("A"));
    hid.addDevice(std::nullopt);
    EXPECT_EQ(getDevicesCount(), 2);
    EXPECT_EQ(connectToDevice(1), 501);  // no serial string
    EXPECT_EQ(connectToDevice(2), 501);  // past the end
    hid.failNextOpens(1);
    EXPECT_EQ(connectToDevice(0), 502);
    EXPECT_EQ(checkLastError(0, nullptr), 101);
    EXPECT_EQ(connectToDevice(0), 0);
    int32_t code = -1, state = -1, result = -1;
    EXPECT_EQ(getCurrentOperationInfo(0, &code, &state), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(checkLastError(0, &result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(hid.openRequests().back(), "A");
}

TEST_F(ApiTest, SynchronousCallsConnectTheirSlotAndPassOutputs)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694));
    uint8_t flags = 9;
    uint16_t frames = 9;
    EXPECT_EQ(getStatus(0, &flags, &frames), 0);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(getStatus(0, nullptr, nullptr), 0);
    EXPECT_EQ(hid.openRequests(), (std::vector<std::string>{"A"}));

    uint16_t pixels = 0, start = 9, end = 0;
    uint8_t reduction = 9;
    EXPECT_EQ(setFrameFormat(0, 0, 3693, 0, &pixels), 0);
    EXPECT_EQ(pixels, 3694);
    EXPECT_EQ(getFrameFormat(0, &start, &end, &reduction, nullptr), 0);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 3693);
    EXPECT_EQ(reduction, 0);
    EXPECT_EQ(setExposure(0, 1000, 0), 0);
    EXPECT_EQ(clearMemory(0), 0);
    EXPECT_EQ(eraseFlash(0), 0);

    const std::size_t readsBefore = device.readTimeouts().size();
    EXPECT_EQ(triggerAcquisition(0), 0);
    EXPECT_EQ(resetDevice(0), 0);
    EXPECT_EQ(detachDevice(0), 0);
    EXPECT_EQ(device.readTimeouts().size(), readsBefore);

    // The slot was connected as connectToDevice would: it has a worker.
    int32_t result = -1;
    EXPECT_EQ(checkLastError(0, &result), 0);
    EXPECT_EQ(result, 0);
    disconnectLibrary();
    EXPECT_EQ(device.closeCount(), 1);
}

// A slot past the attached devices answers 501 and touches no device; a
// slot that was never connected drives its own device, not device 0.
TEST_F(ApiTest, EverySynchronousCallOnASlotWithoutADeviceAnswers501)
{
    ScriptedDevice& first = hid.addDevice(std::string("A"));
    ScriptedDevice& second = hid.addDevice(std::string("B"));
    first.setResponder(instantSpectrometer(3694));
    second.setResponder(instantSpectrometer(3694));
    ASSERT_EQ(connectToDevice(0), 0);
    first.clearRecords();
    uint8_t flags = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    for (uint32_t slot : {2u, 5u, 9u}) {
        EXPECT_EQ(getStatus(slot, &flags, &u16), 501) << slot;
        EXPECT_EQ(setExposure(slot, 1, 0), 501) << slot;
        EXPECT_EQ(setAcquisitionParameters(slot, 1, 0, 0, 1), 501) << slot;
        EXPECT_EQ(setFrameFormat(slot, 0, 1, 0, &u16), 501) << slot;
        EXPECT_EQ(setExternalTrigger(slot, 0, 0), 501) << slot;
        EXPECT_EQ(triggerAcquisition(slot), 501) << slot;
        EXPECT_EQ(clearMemory(slot), 501) << slot;
        EXPECT_EQ(getFrameFormat(slot, &u16, &u16, &flags, &u16), 501) << slot;
        EXPECT_EQ(getAcquisitionParameters(slot, &u16, &u16, &flags, &u32), 501) << slot;
        EXPECT_EQ(setOpticalTrigger(slot, 0, 0, 0), 501) << slot;
        EXPECT_EQ(setMultipleParameters(slot, 0, 0, 0, 0, 0, 0), 501) << slot;
        EXPECT_EQ(eraseFlash(slot), 501) << slot;
        EXPECT_EQ(resetDevice(slot), 501) << slot;
        EXPECT_EQ(detachDevice(slot), 501) << slot;
        EXPECT_EQ(checkLastError(slot, nullptr), 101) << slot;
    }
    EXPECT_TRUE(first.writes().empty());
    EXPECT_TRUE(second.writes().empty());
    EXPECT_EQ(hid.openRequests(), (std::vector<std::string>{"A"}));

    EXPECT_EQ(setAcquisitionParameters(1, 1, 0, 0, 777), 0);
    EXPECT_TRUE(first.writes().empty());
    ASSERT_EQ(second.writes().size(), 1u);
    EXPECT_EQ(second.writes()[0].command(), 0x03);
    EXPECT_EQ(hid.openRequests().back(), "B");
}

// A device that cannot be opened again is asked for by its own serial
// number on every later call; another slot's device is never taken instead.
TEST_F(ApiTest, ALostDeviceIsOpenedAgainByItsOwnSerialNumber)
{
    ScriptedDevice& first = hid.addDevice(std::string("A"));
    ScriptedDevice& second = hid.addDevice(std::string("B"));
    first.setResponder(instantSpectrometer(3694));
    second.setResponder(instantSpectrometer(3694));
    ASSERT_EQ(connectToDevice(1), 0);
    second.failNextWrites(1);
    hid.failNextOpens(2);
    EXPECT_EQ(clearMemory(1), 502);  // the write fails, so does the re-open
    EXPECT_EQ(clearMemory(1), 502);  // the next open fails too
    EXPECT_EQ(clearMemory(1), 0);
    EXPECT_EQ(hid.openRequests(), (std::vector<std::string>{"B", "B", "B", "B"}));
    EXPECT_TRUE(first.writes().empty());
}

TEST_F(ApiTest, GetFrameConnectsByItselfAndReportsThroughTheSlot)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694, pixelOf));
    std::vector<uint16_t> frame(3694);
    EXPECT_EQ(getFrame(0, frame.data(), 0xFFFF), 0);
    int32_t code = 0;
    EXPECT_EQ(getCurrentOperationInfo(0, &code, nullptr), 0);
    EXPECT_EQ(code, 11);
    EXPECT_EQ(waitForCompletion(0), 0);
    for (unsigned j = 0; j < frame.size(); ++j) ASSERT_EQ(frame[j], pixelOf(j)) << j;
    EXPECT_EQ(hid.openRequests(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(device.writes().front().command(), 0x08);  // frame length asked first

    // Transfer errors arrive as the last result; the slot stays usable.
    EXPECT_EQ(getFrame(0, nullptr, 0), 0);
    EXPECT_EQ(waitForCompletion(0), 509);
    EXPECT_EQ(getFrame(0, frame.data(), 0), 0);
    EXPECT_EQ(waitForCompletion(0), 0);
}

TEST_F(ApiTest, GetFrameReturnsTheConnectErrorWithoutDevice)
{
    uint16_t frame[30];
    EXPECT_EQ(getFrame(0, frame, 0), 501);
    EXPECT_EQ(checkLastError(0, nullptr), 101);
}

TEST_F(ApiTest, FlashRoundTripAndEmptyWrite)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer());
    std::vector<uint8_t> out(1000), in(1000, 0);
    for (unsigned i = 0; i < out.size(); ++i) out[i] = static_cast<uint8_t>(i * 3);
    ASSERT_EQ(connectToDevice(0), 0);
    EXPECT_EQ(writeFlash(0, out.data(), 500, 1000), 0);
    EXPECT_EQ(waitForCompletion(0), 0);
    EXPECT_EQ(readFlash(0, in.data(), 500, 1000), 0);
    int32_t code = 0;
    getCurrentOperationInfo(0, &code, nullptr);
    EXPECT_EQ(code, 14);
    EXPECT_EQ(waitForCompletion(0), 0);
    EXPECT_EQ(in, out);

    device.clearRecords();
    EXPECT_EQ(writeFlash(0, out.data(), 0, 0), 0);
    EXPECT_EQ(waitForCompletion(0), 255);
    getCurrentOperationInfo(0, &code, nullptr);
    EXPECT_EQ(code, 15);
    EXPECT_TRUE(device.writes().empty());
}

TEST_F(ApiTest, BackToBackPostingsWaitForTheRunningOperation)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    ASSERT_EQ(connectToDevice(0), 0);
    std::vector<uint8_t> first(60, 0), second(60, 0);
    device.queueReply(flashReport(0, 0, [](unsigned i) { return static_cast<uint8_t>(i + 1); }));
    device.queueReply(flashReport(0, 7, [](unsigned) { return uint8_t{1}; }));  // broken countdown
    device.holdReads();
    EXPECT_EQ(readFlash(0, first.data(), 0, 60), 0);
    device.waitForBlockedRead();

    std::atomic<bool> secondPosted{false};
    std::thread poster([&] {
        EXPECT_EQ(readFlash(0, second.data(), 0, 60), 0);
        secondPosted = true;
    });
    // The first read cannot end while its reply is held, so the second
    // posting cannot have been taken yet.
    int32_t code = 0, state = 0;
    EXPECT_EQ(getCurrentOperationInfo(0, &code, &state), 0);
    EXPECT_EQ(state, 1);
    EXPECT_FALSE(secondPosted);
    device.releaseReads();
    poster.join();
    EXPECT_EQ(first[59], 60);  // the first read finished before the second was taken
    EXPECT_EQ(waitForCompletion(0), 510);
    EXPECT_EQ(device.writes().size(), 2u);
}

TEST_F(ApiTest, ConnectOnABusySlotWaitsForTheOperationAndStartsAFreshWorker)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694, pixelOf));
    ASSERT_EQ(connectToDevice(0), 0);
    std::vector<uint16_t> frame(3694, 0);
    device.holdReads();
    EXPECT_EQ(getFrame(0, frame.data(), 0), 0);
    device.waitForBlockedRead();

    std::thread reconnect([] { EXPECT_EQ(connectToDevice(0), 0); });
    device.releaseReads();
    reconnect.join();
    // The running read ended before the old device was closed.
    for (unsigned j = 0; j < frame.size(); ++j) ASSERT_EQ(frame[j], pixelOf(j)) << j;
    EXPECT_EQ(device.openCount(), 2);
    EXPECT_EQ(device.closeCount(), 1);
    int32_t result = -1;
    EXPECT_EQ(checkLastError(0, &result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(getFrame(0, frame.data(), 1), 0);
    EXPECT_EQ(waitForCompletion(0), 0);
}

TEST_F(ApiTest, DisconnectWaitsForARunningOperation)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694, pixelOf));
    std::vector<uint16_t> frame(3694, 0);
    device.holdReads();
    EXPECT_EQ(getFrame(0, frame.data(), 0), 0);
    device.waitForBlockedRead();
    std::thread teardown([] { disconnectLibrary(); });
    device.releaseReads();
    teardown.join();
    EXPECT_EQ(frame[3693], pixelOf(3693));
    EXPECT_EQ(device.closeCount(), 1);
    EXPECT_EQ(checkLastError(0, nullptr), 101);
}

TEST_F(ApiTest, SynchronousCallWaitsWhileTheWorkerHoldsTheDevice)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694, pixelOf));
    std::vector<uint16_t> frame(3694, 0);
    device.holdReads();
    EXPECT_EQ(getFrame(0, frame.data(), 0), 0);
    device.waitForBlockedRead();
    std::thread status([&] {
        uint16_t frames = 0;
        EXPECT_EQ(getStatus(0, nullptr, &frames), 0);
        EXPECT_EQ(frames, 1);
    });
    device.releaseReads();
    status.join();
    EXPECT_EQ(waitForCompletion(0), 0);
    // The status request went out only after the whole frame was read.
    const auto written = device.writes();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back().command(), 0x01);
}

TEST_F(ApiTest, SlotsWorkInParallelFromSeveralThreads)
{
    constexpr unsigned kSlots = 4;
    for (unsigned s = 0; s < kSlots; ++s) {
        ScriptedDevice& device = hid.addDevice("S" + std::to_string(s));
        device.setResponder(instantSpectrometer(
            3694, [s](unsigned j) { return static_cast<std::uint16_t>(s * 10000 + j); }));
    }
    std::vector<std::thread> threads;
    for (unsigned s = 0; s < kSlots; ++s) {
        threads.emplace_back([s] {
            ASSERT_EQ(connectToDevice(s), 0);
            uint16_t pixels = 0;
            EXPECT_EQ(setFrameFormat(s, 0, 3693, 0, &pixels), 0);
            std::vector<uint16_t> frame(3694);
            for (int round = 0; round < 5; ++round) {
                ASSERT_EQ(getFrame(s, frame.data(), 0), 0);
                ASSERT_EQ(waitForCompletion(s), 0);
                ASSERT_EQ(frame[0], s * 10000);
                ASSERT_EQ(frame[3693], s * 10000 + 3693);
            }
        });
    }
    for (auto& t : threads) t.join();
}

TEST_F(ApiTest, WorkerReportsAnUnknownOperationAndTouchesNoDevice)
{
    hid.addDevice(std::string("A"));
    hid.addDevice(std::string("B"));
    ScriptedDevice& device = hid.addDevice(std::string("C"));
    ASSERT_EQ(connectToDevice(2), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(api::postOperation(2, 42, api::ArgumentBlock{}), 0);
    EXPECT_EQ(waitForCompletion(2), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "_threadDeviceOperations for thread 2: unsupported current operation: 42\n");
    EXPECT_TRUE(device.writes().empty());
}

}  // namespace
}  // namespace vantrel::test
