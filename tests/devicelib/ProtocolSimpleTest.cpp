// Single-reply and write-only transactions: request bytes, reply decoding,
// reply failures, the write retry and opening.
#include <algorithm>

#include "ProtocolFixture.h"

namespace vantrel::test {
namespace {

using namespace vantrel::protocol;

TEST_F(ProtocolTest, RequestsAreSixtyFiveBytesLittleEndianWithZeroPadding)
{
    device.queueReply({0x82, 0});
    EXPECT_EQ(setExposure(record, 0x12345678, 0xAB), 0);
    WrittenReport w = onlyWrite();
    ASSERT_EQ(w.bytes.size(), 65u);
    EXPECT_EQ(w.bytes[0], 0x00);  // report id
    EXPECT_EQ(w.command(), 0x02);
    EXPECT_EQ(w.at(1), 0x78);
    EXPECT_EQ(w.at(4), 0x12);
    EXPECT_EQ(w.at(5), 0xAB);
    EXPECT_TRUE(std::all_of(w.bytes.begin() + 7, w.bytes.end(), [](auto b) { return b == 0; }));

    device.clearRecords();
    device.queueReply({0x83, 0});
    EXPECT_EQ(setAcquisitionParameters(record, {0x0102, 0x0304, 3, 0xA1B2C3D4}), 0);
    w = onlyWrite();
    EXPECT_EQ(w.command(), 0x03);
    EXPECT_EQ(w.get16(1), 0x0102);
    EXPECT_EQ(w.get16(3), 0x0304);
    EXPECT_EQ(w.at(5), 3);
    EXPECT_EQ(w.get32(6), 0xA1B2C3D4u);

    device.clearRecords();
    device.queueReply({0x85, 0});
    EXPECT_EQ(setExternalTrigger(record, 1, 2), 0);
    w = onlyWrite();
    EXPECT_EQ(w.command(), 0x05);
    EXPECT_EQ(w.at(1), 1);
    EXPECT_EQ(w.at(2), 2);

    device.clearRecords();
    device.queueReply({0x8B, 0});
    EXPECT_EQ(setOpticalTrigger(record, 1, 0x0E0F, 0xBEEF), 0);
    w = onlyWrite();
    EXPECT_EQ(w.command(), 0x0B);
    EXPECT_EQ(w.at(1), 1);
    EXPECT_EQ(w.get16(2), 0x0E0F);
    EXPECT_EQ(w.get16(4), 0xBEEF);

    device.clearRecords();
    device.queueReply({0x89, 0});
    EXPECT_EQ(setMultipleParameters(record, {7, 8, 9, 0x01020304}, 0x55, 0x66), 0);
    w = onlyWrite();
    EXPECT_EQ(w.command(), 0x0C);
    EXPECT_EQ(w.get16(1), 7);
    EXPECT_EQ(w.get16(3), 8);
    EXPECT_EQ(w.at(5), 9);
    EXPECT_EQ(w.get32(6), 0x01020304u);
    EXPECT_EQ(w.at(10), 0x55);
    EXPECT_EQ(w.at(11), 0x66);
}

TEST_F(ProtocolTest, StatusByteIsTheResultOfSetCommands)
{
    device.queueReply({0x87, 0x00});
    EXPECT_EQ(clearMemory(record), 0);
    device.queueReply({0x87, 0x2A});
    EXPECT_EQ(clearMemory(record), 0x2A);
    device.queueReply({0x82, 0xFF});
    EXPECT_EQ(setExposure(record, 1, 0), 255);
}

TEST_F(ProtocolTest, SetMultipleParametersAcceptsBothReplyCodes)
{
    device.queueReply({0x89, 0});
    EXPECT_EQ(setMultipleParameters(record, {}, 0, 0), 0);
    device.queueReply({0x8C, 3});
    EXPECT_EQ(setMultipleParameters(record, {}, 0, 0), 3);
    device.queueReply({0x8D, 0});
    EXPECT_EQ(setMultipleParameters(record, {}, 0, 0), kErrReplyCode);
}

TEST_F(ProtocolTest, RepliesAreDecodedLittleEndian)
{
    device.queueReply({0x81, 0x5A, 0x34, 0x12});
    DeviceStatus status;
    EXPECT_EQ(getStatus(record, status), 0);
    EXPECT_EQ(status.statusFlags, 0x5A);
    EXPECT_EQ(status.framesInMemory, 0x1234);

    device.queueReply({0x88, 0x01, 0x00, 0x3F, 0x0E, 0x02, 0x76, 0x0E});
    FrameFormat format;
    EXPECT_EQ(getFrameFormat(record, format), 0);
    EXPECT_EQ(format.startElement, 1);
    EXPECT_EQ(format.endElement, 0x0E3F);
    EXPECT_EQ(format.reductionMode, 2);
    EXPECT_EQ(format.pixelsInFrame, 3702);
    EXPECT_EQ(record.frameLength, 3702);

    device.queueReply({0x89, 0x10, 0x00, 0x02, 0x00, 0x03, 0x78, 0x56, 0x34, 0x12});
    AcquisitionParameters parameters;
    EXPECT_EQ(getAcquisitionParameters(record, parameters), 0);
    EXPECT_EQ(parameters.scansNumber, 16);
    EXPECT_EQ(parameters.blankScansNumber, 2);
    EXPECT_EQ(parameters.scanMode, 3);
    EXPECT_EQ(parameters.exposureTime, 0x12345678u);
}

TEST_F(ProtocolTest, FrameLengthFollowsFrameFormatReplies)
{
    std::uint16_t pixels = 0;
    device.queueReply({0x84, 0x00, 0x76, 0x0E});
    EXPECT_EQ(setFrameFormat(record, 0, 3647, 0, pixels), 0);
    EXPECT_EQ(pixels, 3702);
    EXPECT_EQ(record.frameLength, 3702);

    // A refused format leaves the stored length alone.
    pixels = 0;
    device.queueReply({0x84, 0x07, 0x10, 0x00});
    EXPECT_EQ(setFrameFormat(record, 0, 15, 0, pixels), 7);
    EXPECT_EQ(pixels, 0);
    EXPECT_EQ(record.frameLength, 3702);

    // A failed get frame format leaves it 0.
    device.queueReply({0x81, 0, 0x10, 0});
    FrameFormat format;
    EXPECT_EQ(getFrameFormat(record, format), kErrReplyCode);
    EXPECT_EQ(record.frameLength, 0);
}

TEST_F(ProtocolTest, MissingShortOrWrongRepliesAreReported)
{
    DeviceStatus status;
    EXPECT_EQ(getStatus(record, status), kErrNoReply);  // nothing queued
    device.queueShortReply(63);
    EXPECT_EQ(getStatus(record, status), kErrNoReply);
    device.queueReadError();
    EXPECT_EQ(getStatus(record, status), kErrNoReply);
    device.queueReply({0x82, 0});
    EXPECT_EQ(getStatus(record, status), kErrReplyCode);
    EXPECT_EQ(status.statusFlags, 0);
}

TEST_F(ProtocolTest, ReplyTimeLimitsAreHundredMillisecondsAndFiveSecondsForErase)
{
    device.queueReply({0x87, 0});
    device.queueReply({0x9C, 0});
    EXPECT_EQ(clearMemory(record), 0);
    EXPECT_EQ(eraseFlash(record), 0);
    EXPECT_EQ(device.readTimeouts(), (std::vector<int>{100, 5000}));
    EXPECT_EQ(device.writes().back().command(), 0x1C);
}

TEST_F(ProtocolTest, WriteOnlyCommandsReadNothing)
{
    EXPECT_EQ(triggerAcquisition(record), 0);
    EXPECT_EQ(resetDevice(record), 0);
    EXPECT_EQ(detachDevice(record), 0);
    const auto written = device.writes();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0].command(), 0x06);
    EXPECT_EQ(written[1].command(), 0xF1);
    EXPECT_EQ(written[2].command(), 0xF2);
    EXPECT_TRUE(device.readTimeouts().empty());
}

TEST_F(ProtocolTest, FailedWriteIsRepeatedOnceOnAReopenedDevice)
{
    device.failNextWrites(1);
    device.queueReply({0x87, 0});
    EXPECT_EQ(clearMemory(record), 0);
    const auto written = device.writes();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].handle, 1);
    EXPECT_EQ(written[1].handle, 2);
    EXPECT_EQ(written[0].bytes, written[1].bytes);
    EXPECT_EQ(hid.openRequests(), (std::vector<std::string>{"SN-1", "SN-1"}));
    EXPECT_EQ(device.closeCount(), 1);

    device.failNextWrites(2);
    EXPECT_EQ(triggerAcquisition(record), kErrWrite);
    EXPECT_EQ(device.writes().size(), 4u);
}

TEST_F(ProtocolTest, FailedReopenDuringRetryGivesOpenError)
{
    EXPECT_EQ(prepare(record), 0);
    device.failNextWrites(1);
    hid.failNextOpens(1);
    EXPECT_EQ(resetDevice(record), kErrOpen);
    EXPECT_EQ(device.writes().size(), 1u);
    EXPECT_FALSE(record.device);
}

TEST_F(ProtocolTest, AFailedOpenKeepsTheSerialForTheNextAttempt)
{
    hid.failNextOpens(1);
    EXPECT_EQ(triggerAcquisition(record), kErrOpen);
    EXPECT_EQ(record.serialNumber, std::optional<std::string>("SN-1"));
    EXPECT_EQ(triggerAcquisition(record), 0);
    EXPECT_EQ(hid.openRequests(), (std::vector<std::string>{"SN-1", "SN-1"}));

    HandleRecord anonymous;  // a record without a serial takes the first device
    EXPECT_EQ(triggerAcquisition(anonymous), 0);
    EXPECT_EQ(hid.openRequests().back(), "<first>");
}

TEST_F(ProtocolTest, OpeningReplacesTheRecordAndForgetsTheFrameLength)
{
    record.frameLength = 3694;
    EXPECT_EQ(prepare(record), 0);
    EXPECT_EQ(record.frameLength, 0);
    EXPECT_EQ(record.serialNumber, std::optional<std::string>("SN-1"));
    EXPECT_EQ(device.openCount(), 1);
    EXPECT_EQ(prepare(record), 0);  // already open
    EXPECT_EQ(device.openCount(), 1);
}

}  // namespace
}  // namespace vantrel::test
