// Flash reads in chunks of 100 reports and flash writes in pieces of 58 bytes.
#include <numeric>
#include <vector>

#include "ProtocolFixture.h"

namespace vantrel::test {
namespace {

using namespace vantrel::protocol;

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 128;

std::uint8_t flashByte(unsigned address) { return static_cast<std::uint8_t>(address * 13 + 5); }

struct GuardedBytes {
    explicit GuardedBytes(std::size_t count) : length(count), storage(count + 2 * kGuardBytes, kGuard) {}
    std::uint8_t* data() { return storage.data() + kGuardBytes; }
    std::uint8_t operator[](std::size_t i) const { return storage[kGuardBytes + i]; }
    bool guardsIntact() const
    {
        for (std::size_t i = 0; i < kGuardBytes; ++i)
            if (storage[i] != kGuard || storage[kGuardBytes + length + i] != kGuard) return false;
        return true;
    }
    std::size_t length;
    std::vector<std::uint8_t> storage;
};

class FlashTest : public ProtocolTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(prepare(record), 0);
        device.setResponder(instantSpectrometer());
        // Fill the simulated flash with a known pattern.
        std::vector<std::uint8_t> pattern(120000);
        for (unsigned i = 0; i < pattern.size(); ++i) pattern[i] = flashByte(i);
        ASSERT_EQ(writeFlash(record, pattern.data(), 0, static_cast<std::uint32_t>(pattern.size())), 0);
        device.clearRecords();
    }
};

TEST_F(FlashTest, TwentyPagesComeInTwentyChunksOfHundredReports)
{
    GuardedBytes buffer(120000);
    EXPECT_EQ(readFlash(record, buffer.data(), 0, 120000), 0);
    const auto written = device.writes();
    ASSERT_EQ(written.size(), 20u);
    for (unsigned i = 0; i < 20; ++i) {
        EXPECT_EQ(written[i].command(), 0x1A);
        EXPECT_EQ(written[i].get32(1), 6000u * i);
        EXPECT_EQ(written[i].at(5), 100);
    }
    for (unsigned i = 0; i < 120000; ++i) ASSERT_EQ(buffer[i], flashByte(i)) << i;
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(FlashTest, ChunkBoundaryAt6000Bytes)
{
    GuardedBytes exact(6000);
    EXPECT_EQ(readFlash(record, exact.data(), 100, 6000), 0);
    auto written = device.writes();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].get32(1), 100u);
    EXPECT_EQ(written[0].at(5), 100);
    EXPECT_EQ(exact[5999], flashByte(6099));
    EXPECT_TRUE(exact.guardsIntact());

    device.clearRecords();
    GuardedBytes oneMore(6001);
    EXPECT_EQ(readFlash(record, oneMore.data(), 100, 6001), 0);
    written = device.writes();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[1].get32(1), 6100u);
    EXPECT_EQ(written[1].at(5), 1);
    EXPECT_EQ(oneMore[6000], flashByte(6100));
    EXPECT_TRUE(oneMore.guardsIntact());  // 59 surplus bytes of the last report stay out
}

TEST_F(FlashTest, ZeroBytesSendsNothing)
{
    std::uint8_t byte = kGuard;
    EXPECT_EQ(readFlash(record, &byte, 0, 0), 0);
    EXPECT_EQ(readFlash(record, nullptr, 0, 10), kErrNullBuffer);
    EXPECT_TRUE(device.writes().empty());
    EXPECT_EQ(byte, kGuard);
}

class FlashReportTest : public ProtocolTest {
protected:
    void SetUp() override { ASSERT_EQ(prepare(record), 0); }
};

TEST_F(FlashReportTest, OffsetsOutsideTheRangeAreClipped)
{
    GuardedBytes buffer(100);
    device.queueReply(flashReport(80, 1, flashByte));      // 40 bytes past the end
    device.queueReply(flashReport(0xFFC0, 0, flashByte));  // far outside
    EXPECT_EQ(readFlash(record, buffer.data(), 0, 100), 0);
    EXPECT_TRUE(buffer.guardsIntact());
    EXPECT_EQ(buffer[80], flashByte(80));
    EXPECT_EQ(buffer[99], flashByte(99));
    EXPECT_EQ(buffer[0], kGuard);
}

TEST_F(FlashReportTest, BrokenCountdownsAndFailuresStopTheRead)
{
    GuardedBytes buffer(120);
    device.queueReply(flashReport(0, 1, flashByte));
    device.queueReply(flashReport(60, 1, flashByte));
    EXPECT_EQ(readFlash(record, buffer.data(), 0, 120), kErrFlashSequence);
    EXPECT_EQ(buffer[59], flashByte(59));
    EXPECT_EQ(buffer[60], kGuard);

    device.queueReply(flashReport(0, 250, flashByte));
    EXPECT_EQ(readFlash(record, buffer.data(), 0, 60), kErrFlashSequence);
    device.queueReply({0x8A, 0, 0, 0});
    EXPECT_EQ(readFlash(record, buffer.data(), 0, 60), kErrReplyCode);
    EXPECT_EQ(readFlash(record, buffer.data(), 0, 60), kErrNoReply);
    EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(FlashReportTest, FlashRequestsAreNotRetried)
{
    std::uint8_t buffer[60];
    device.failNextWrites(1);
    EXPECT_EQ(readFlash(record, buffer, 0, 60), kErrWrite);
    device.failNextWrites(1);
    EXPECT_EQ(writeFlash(record, buffer, 0, 60), kErrWrite);
    EXPECT_EQ(device.writes().size(), 2u);
    EXPECT_EQ(device.openCount(), 1);
}

TEST_F(FlashReportTest, WritesAreSplitInto58BytePieces)
{
    std::vector<std::uint8_t> data(59);
    std::iota(data.begin(), data.end(), std::uint8_t{1});
    device.queueReply({0x9B, 0});
    device.queueReply({0x9B, 0});
    EXPECT_EQ(writeFlash(record, data.data(), 0x10000, 59), 0);
    const auto written = device.writes();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].command(), 0x1B);
    EXPECT_EQ(written[0].get32(1), 0x10000u);
    EXPECT_EQ(written[0].at(5), 58);
    EXPECT_EQ(written[0].at(6), 1);
    EXPECT_EQ(written[0].at(63), 58);
    EXPECT_EQ(written[1].get32(1), 0x10000u + 58);
    EXPECT_EQ(written[1].at(5), 1);
    EXPECT_EQ(written[1].at(6), 59);
    EXPECT_EQ(written[1].at(7), 0);
}

TEST_F(FlashReportTest, WriteResultsFollowTheReplies)
{
    const std::uint8_t data[120] = {};
    EXPECT_EQ(writeFlash(record, data, 0, 0), kFlashWriteEmpty);
    EXPECT_EQ(writeFlash(record, nullptr, 0, 10), kErrNullBuffer);
    EXPECT_TRUE(device.writes().empty());

    device.queueReply({0x9B, 0});
    device.queueReply({0x9B, 0x11});
    EXPECT_EQ(writeFlash(record, data, 0, 120), 0x11);
    EXPECT_EQ(device.writes().size(), 2u);  // the third piece is never sent

    device.queueReply({0x9A, 0});
    EXPECT_EQ(writeFlash(record, data, 0, 10), kErrReplyCode);
    EXPECT_EQ(writeFlash(record, data, 0, 10), kErrNoReply);
}

}  // namespace
}  // namespace vantrel::test
