// Frame reads: report count, placement by pixel index, countdown checks and
// the bounds of the caller's frame.
#include <vector>

#include "ProtocolFixture.h"

namespace vantrel::test {
namespace {

using namespace vantrel::protocol;

constexpr std::uint16_t kFrameGuard = 0xDEAD;
constexpr unsigned kGuardPixels = 64;

std::uint16_t pixelValue(unsigned j) { return static_cast<std::uint16_t>(j * 7 + 1); }

// A frame buffer with guard zones on both sides of frameLength pixels.
struct GuardedFrame {
    explicit GuardedFrame(unsigned frameLength)
        : length(frameLength), storage(frameLength + 2 * kGuardPixels, kFrameGuard)
    {
    }
    std::uint16_t* data() { return storage.data() + kGuardPixels; }
    std::uint16_t operator[](unsigned j) const { return storage[kGuardPixels + j]; }
    bool guardsIntact() const
    {
        for (unsigned i = 0; i < kGuardPixels; ++i)
            if (storage[i] != kFrameGuard || storage[kGuardPixels + length + i] != kFrameGuard) return false;
        return true;
    }
    unsigned length;
    std::vector<std::uint16_t> storage;
};

class FrameReadTest : public ProtocolTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(prepare(record), 0);
    }
    void setFrameLength(std::uint16_t length) { record.frameLength = length; }
};

TEST_F(FrameReadTest, FullFrameTakes124ReportsAndIsPlacedByIndex)
{
    setFrameLength(3694);
    GuardedFrame frame(3694);
    queueFrame(device, 3694, pixelValue);
    EXPECT_EQ(readFrame(record, frame.data(), 0xFFFF), 0);

    const WrittenReport request = onlyWrite();
    EXPECT_EQ(request.command(), 0x0A);
    EXPECT_EQ(request.get16(1), 0);
    EXPECT_EQ(request.get16(3), 0xFFFF);
    EXPECT_EQ(request.at(5), 124);
    for (unsigned j = 0; j < 3694; ++j) ASSERT_EQ(frame[j], pixelValue(j)) << j;
    EXPECT_TRUE(frame.guardsIntact());  // the last report's 26 surplus pixels stay out
    EXPECT_EQ(device.queuedReplies(), 0u);
    EXPECT_EQ(device.readTimeouts(), std::vector<int>(124, 100));
}

TEST_F(FrameReadTest, FrameLengthBeyond124ReportsSendsNothing)
{
    setFrameLength(3721);
    std::vector<std::uint16_t> frame(3721);
    EXPECT_EQ(readFrame(record, frame.data(), 0), kErrFrameTooLong);
    EXPECT_TRUE(device.writes().empty());

    setFrameLength(3720);
    queueFrame(device, 3720, pixelValue);
    frame.assign(3720, 0);
    EXPECT_EQ(readFrame(record, frame.data(), 0), 0);
    EXPECT_EQ(frame[3719], pixelValue(3719));
}

TEST_F(FrameReadTest, ReportsOutOfPixelOrderLandByTheirIndex)
{
    setFrameLength(75);
    GuardedFrame frame(75);
    device.queueReply(frameReport(60, 2, pixelValue));
    device.queueReply(frameReport(0, 1, pixelValue));
    device.queueReply(frameReport(30, 0, pixelValue));
    EXPECT_EQ(readFrame(record, frame.data(), 3), 0);
    EXPECT_EQ(onlyWrite().at(5), 3);
    for (unsigned j = 0; j < 75; ++j) ASSERT_EQ(frame[j], pixelValue(j)) << j;
    EXPECT_TRUE(frame.guardsIntact());
}

TEST_F(FrameReadTest, UnknownFrameLengthIsAskedFirst)
{
    GuardedFrame frame(40);
    device.queueReply({0x88, 0, 0, 39, 0, 0, 40, 0});
    queueFrame(device, 40, pixelValue);
    EXPECT_EQ(readFrame(record, frame.data(), 1), 0);
    const auto written = device.writes();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].command(), 0x08);
    EXPECT_EQ(written[1].at(5), 2);
    EXPECT_EQ(frame[39], pixelValue(39));
    EXPECT_TRUE(frame.guardsIntact());

    record.frameLength = 0;
    device.queueReply({0x82});
    EXPECT_EQ(readFrame(record, frame.data(), 1), kErrReplyCode);
}

TEST_F(FrameReadTest, ReportsClaimingPositionsOutsideTheFrameAreClipped)
{
    setFrameLength(90);
    GuardedFrame frame(90);
    device.queueReply(frameReport(80, 2, pixelValue));      // runs 20 past the end
    device.queueReply(frameReport(0xFFF0, 1, pixelValue));  // far outside
    device.queueReply(frameReport(0, 0, pixelValue));
    EXPECT_EQ(readFrame(record, frame.data(), 0), 0);
    EXPECT_TRUE(frame.guardsIntact());
    for (unsigned j = 0; j < 30; ++j) EXPECT_EQ(frame[j], pixelValue(j));
    for (unsigned j = 80; j < 90; ++j) EXPECT_EQ(frame[j], pixelValue(j));
    EXPECT_EQ(frame[50], kFrameGuard);  // never sent
}

TEST_F(FrameReadTest, RepeatedReportsCannotOverrunTheFrame)
{
    setFrameLength(60);
    GuardedFrame frame(60);
    device.queueReply(frameReport(45, 1, pixelValue));
    device.queueReply(frameReport(45, 0, pixelValue));
    EXPECT_EQ(readFrame(record, frame.data(), 0), 0);
    EXPECT_TRUE(frame.guardsIntact());
    EXPECT_EQ(frame[59], pixelValue(59));
}

TEST_F(FrameReadTest, BrokenCountdownsEndTheReadKeepingWhatArrived)
{
    setFrameLength(90);
    GuardedFrame frame(90);
    device.queueReply(frameReport(0, 2, pixelValue));
    device.queueReply(frameReport(30, 0, pixelValue));  // skipped one
    EXPECT_EQ(readFrame(record, frame.data(), 0), kErrFrameSequence);
    EXPECT_EQ(frame[0], pixelValue(0));
    EXPECT_EQ(frame[30], kFrameGuard);

    for (std::uint8_t bad : {std::uint8_t{250}, std::uint8_t{255}}) {
        device.queueReply(frameReport(0, bad, pixelValue));
        EXPECT_EQ(readFrame(record, frame.data(), 0), kErrFrameSequence);
    }
    EXPECT_TRUE(frame.guardsIntact());
}

TEST_F(FrameReadTest, MissingOrForeignReportsFail)
{
    setFrameLength(60);
    GuardedFrame frame(60);
    device.queueReply(frameReport(0, 1, pixelValue));
    EXPECT_EQ(readFrame(record, frame.data(), 0), kErrNoReply);
    EXPECT_EQ(frame[29], pixelValue(29));
    EXPECT_EQ(frame[30], kFrameGuard);

    device.queueReply({0x9A, 0, 0, 1});
    EXPECT_EQ(readFrame(record, frame.data(), 0), kErrReplyCode);
    EXPECT_EQ(readFrame(record, nullptr, 0), kErrNullBuffer);
    EXPECT_TRUE(frame.guardsIntact());
}

TEST_F(FrameReadTest, RequestWriteIsRetriedOnce)
{
    setFrameLength(30);
    GuardedFrame frame(30);
    device.failNextWrites(1);
    queueFrame(device, 30, pixelValue);
    EXPECT_EQ(readFrame(record, frame.data(), 0), 0);
    EXPECT_EQ(device.writes().size(), 2u);
    EXPECT_EQ(frame[29], pixelValue(29));
}

}  // namespace
}  // namespace vantrel::test
