// Several threads on one slot at once: connecting, posting transfers and
// synchronous calls race, and every call must come back with its operation
// carried out (run under ThreadSanitizer by test.sh).
#include <atomic>
#include <thread>
#include <vector>

#include "ApiFixture.h"

namespace vantrel::test {
namespace {

std::uint16_t racePixelOf(unsigned j) { return static_cast<std::uint16_t>(j * 3 + 7); }

bool frameComplete(const std::vector<uint16_t>& frame)
{
    for (unsigned j = 0; j < frame.size(); ++j)
        if (frame[j] != racePixelOf(j)) return false;
    return true;
}

TEST_F(ApiTest, TwoThreadsConnectingOneSlotBothSucceedAndLeaveOneWorker)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694, racePixelOf));
    constexpr int kRounds = 20;
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([] {
            for (int r = 0; r < kRounds; ++r) EXPECT_EQ(connectToDevice(0), 0);
        });
    for (auto& t : threads) t.join();
    // Every connect but the last was torn down again: exactly one device open.
    EXPECT_EQ(device.openCount() - device.closeCount(), 1);
    std::vector<uint16_t> frame(3694, 0);
    ASSERT_EQ(getFrame(0, frame.data(), 0), 0);
    EXPECT_EQ(waitForCompletion(0), 0);
    EXPECT_TRUE(frameComplete(frame));
}

TEST_F(ApiTest, PostingsFromSeveralThreadsOnOneSlotAreEachCarriedOut)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694, racePixelOf));
    constexpr int kPosters = 3;
    constexpr int kRounds = 15;
    // One buffer per posting, so a lost or overwritten posting shows as a
    // buffer nobody filled.
    std::vector<std::vector<uint16_t>> frames(kPosters * kRounds, std::vector<uint16_t>(3694, 0));
    std::atomic<bool> postersDone{false};
    std::vector<std::thread> threads;
    for (int p = 0; p < kPosters; ++p)
        threads.emplace_back([&frames, p] {
            for (int r = 0; r < kRounds; ++r)
                EXPECT_EQ(getFrame(0, frames[p * kRounds + r].data(), static_cast<uint32_t>(r)), 0);
        });
    // Synchronous traffic and a reconnect in between.
    std::thread status([&] {
        while (!postersDone) {
            uint16_t framesInMemory = 0;
            EXPECT_EQ(::getStatus(0, nullptr, &framesInMemory), 0);
            int32_t code = 0, state = 0;
            getCurrentOperationInfo(0, &code, &state);
            checkLastError(0, nullptr);
        }
    });
    std::thread reconnect([] {
        for (int r = 0; r < 3; ++r) EXPECT_EQ(connectToDevice(0), 0);
    });
    for (auto& t : threads) t.join();
    reconnect.join();
    postersDone = true;
    status.join();
    // Every posting returned only once it was taken; a reconnect waits for
    // the running transfer, so once the last one has ended all are done.
    int32_t code = 0;
    if (getCurrentOperationInfo(0, &code, nullptr) == 0 && code != 0) {
        EXPECT_EQ(waitForCompletion(0), 0);
    }
    for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_TRUE(frameComplete(frames[i])) << "posting " << i;
}

TEST_F(ApiTest, DisconnectWhileThreadsPostLeavesNoPostingHanging)
{
    ScriptedDevice& device = hid.addDevice(std::string("A"));
    device.setResponder(instantSpectrometer(3694, racePixelOf));
    std::vector<std::thread> threads;
    for (int p = 0; p < 2; ++p)
        threads.emplace_back([] {
            std::vector<uint16_t> frame(3694, 0);
            for (int r = 0; r < 10; ++r) {
                ASSERT_EQ(getFrame(0, frame.data(), 0), 0);
                waitForCompletion(0);
            }
        });
    std::thread teardown([] {
        for (int r = 0; r < 5; ++r) disconnectLibrary();
    });
    for (auto& t : threads) t.join();
    teardown.join();
    disconnectLibrary();
    EXPECT_EQ(device.openCount(), device.closeCount());
}

}  // namespace
}  // namespace vantrel::test
