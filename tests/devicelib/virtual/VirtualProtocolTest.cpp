// Reply layouts of every command, frame streams and the two scan modes.
#include "VirtualFixture.h"

namespace vantrel::test {
namespace {

using namespace virt;

class VirtualProtocol : public VirtualTest {};

TEST_F(VirtualProtocol, SetCommandsAnswerWithStatusAndAreReportedBack)
{
    Link link;
    ASSERT_TRUE(link.isOpen());

    Report r = link.transact({kCmdGetStatus});
    EXPECT_EQ(r[0], 0x81);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(field16(r, 2), 0);

    r = link.transact({kCmdSetExposure, 0x10, 0x27, 0, 0, 1});
    EXPECT_EQ(r[0], 0x82);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(hub().device(0).state().exposure, 10000u);

    r = link.transact(acquisitionParameters(7, 2, 0, 123456));
    EXPECT_EQ(r[0], 0x83);
    EXPECT_EQ(r[1], 0);
    r = link.transact({kCmdGetAcquisitionParameters});
    EXPECT_EQ(r[0], 0x89);
    EXPECT_EQ(field16(r, 1), 7);
    EXPECT_EQ(field16(r, 3), 2);
    EXPECT_EQ(r[5], 0);
    EXPECT_EQ(field32(r, 6), 123456u);

    // Set multiple parameters is answered with 0x89.
    auto multiple = acquisitionParameters(3, 0, 3, 500);
    multiple[0] = kCmdSetMultipleParameters;
    multiple.push_back(9);
    multiple.push_back(8);
    r = link.transact(multiple);
    EXPECT_EQ(r[0], 0x89);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(hub().device(0).state().scans, 3);
    EXPECT_EQ(hub().device(0).state().secondByteParameter, 8);

    r = link.transact({kCmdSetFrameFormat, 0, 0, 0x3F, 0x0E, 0});  // elements 0..3647
    EXPECT_EQ(r[0], 0x84);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(field16(r, 2), 3694);
    r = link.transact({kCmdGetFrameFormat});
    EXPECT_EQ(r[0], 0x88);
    EXPECT_EQ(field16(r, 1), 0);
    EXPECT_EQ(field16(r, 3), 3647);
    EXPECT_EQ(r[5], 0);
    EXPECT_EQ(field16(r, 6), 3694);

    EXPECT_EQ(link.transact({kCmdSetExternalTrigger, 0, 0})[0], 0x85);
    EXPECT_EQ(link.transact({kCmdClearMemory})[0], 0x87);
    EXPECT_EQ(link.transact({kCmdSetOpticalTrigger, 0, 0x3A, 0x07, 0xD0, 0x07})[0], 0x8B);
    EXPECT_EQ(link.transact({kCmdEraseFlash})[0], 0x9C);
}

TEST_F(VirtualProtocol, BadParametersAreRefusedAndChangeNothing)
{
    Link link;
    Report r = link.transact({kCmdSetFrameFormat, 0, 0, 0x5A, 0x0E, 0});  // end 3674: frame too long
    EXPECT_EQ(r[1], kStatusBadParameter);
    EXPECT_EQ(field16(r, 2), 0);
    EXPECT_EQ(hub().device(0).state().frameLength, 3694);
    EXPECT_EQ(link.transact({kCmdSetExternalTrigger, 3, 1})[1], kStatusBadParameter);
    EXPECT_EQ(link.transact({kCmdSetOpticalTrigger, 5, 0, 0, 0, 0})[1], kStatusBadParameter);

    // Write-only and unknown commands get no reply; a wrong report id is not accepted.
    EXPECT_EQ(link.send({kCmdReset}), 65);
    EXPECT_EQ(link.send({0x55}), 65);
    EXPECT_FALSE(link.receive(0).has_value());
    const std::uint8_t withReportId[65] = {1, kCmdGetStatus};
    EXPECT_EQ(link.device().write(withReportId, 65), -1);
}

TEST_F(VirtualProtocol, FrameStreamCarriesIndexCountdownAndThirtyPixels)
{
    Link link;
    link.transact(acquisitionParameters(1, 0, 3, 1000));
    const auto reports = link.stream(frameRequest(kAveragedFrame));
    ASSERT_EQ(reports.size(), 124u);
    for (std::size_t k = 0; k < reports.size(); ++k) {
        EXPECT_EQ(reports[k][0], 0x8A);
        EXPECT_EQ(field16(reports[k], 1), 30 * k);
        EXPECT_EQ(reports[k][3], 123 - k);
    }
    // 3694 = 123 * 30 + 4: the last report carries 4 pixels and zeros.
    EXPECT_NE(field16(reports.back(), 4 + 2 * 3), 0);
    EXPECT_EQ(field16(reports.back(), 4 + 2 * 4), 0);

    // Fewer reports requested: exactly that many, counting down to 0.
    const auto two = link.stream(frameRequest(kAveragedFrame, 2));
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0][3], 1);
    EXPECT_EQ(two[1][3], 0);
}

TEST_F(VirtualProtocol, PerScanModeKeepsEveryFrameUntilMemoryIsCleared)
{
    Link link;
    link.transact(acquisitionParameters(3, 1, 0, 1000));
    Report status = link.transact({kCmdGetStatus});
    EXPECT_EQ(status[1], 0);
    EXPECT_EQ(field16(status, 2), 0);  // idle until triggered

    EXPECT_EQ(link.send({kCmdTriggerAcquisition}), 65);
    EXPECT_FALSE(link.receive(0).has_value());
    status = link.transact({kCmdGetStatus});
    EXPECT_EQ(status[1], 0);
    EXPECT_EQ(field16(status, 2), 3);

    const auto f0 = pixelsOf(link.stream(frameRequest(0)));
    const auto f2 = pixelsOf(link.stream(frameRequest(2)));
    const auto f0again = pixelsOf(link.stream(frameRequest(0)));
    const auto missing = pixelsOf(link.stream(frameRequest(3)));
    EXPECT_EQ(f0, f0again);
    EXPECT_NE(f0, f2);  // each scan has its own noise
    EXPECT_GT(f0[1800], 10000);
    EXPECT_EQ(missing[1800], 0);

    link.transact({kCmdClearMemory});
    EXPECT_EQ(field16(link.transact({kCmdGetStatus}), 2), 0);
    EXPECT_EQ(pixelsOf(link.stream(frameRequest(0)))[1800], 0);
}

TEST_F(VirtualProtocol, AveragingModeRestartsAfterEachReadout)
{
    Link link;
    link.transact(acquisitionParameters(16, 0, 3, 1000));
    EXPECT_EQ(field16(link.transact({kCmdGetStatus}), 2), 1);
    const std::uint64_t before = hub().device(0).state().acquisitions;
    const auto first = pixelsOf(link.stream(frameRequest(kAveragedFrame)));
    EXPECT_EQ(hub().device(0).state().acquisitions, before + 1);
    const auto second = pixelsOf(link.stream(frameRequest(kAveragedFrame)));
    EXPECT_NE(first, second);
    // Averaging 16 scans leaves a quarter of the noise of one scan.
    double spread = 0.0;
    const double expected = hub().device(0).expectedCounts(1800, 1000);
    for (int p = 1700; p < 1900; ++p) spread += std::abs(first[p] - hub().device(0).expectedCounts(p, 1000));
    spread /= 200.0;
    EXPECT_LT(spread, 0.25 * std::sqrt(expected) + 5.0);
}

TEST_F(VirtualProtocol, UsbTimingLetsTheExposureElapse)
{
    hub().setTiming(Timing::Usb);
    Link link;
    // 100 s exposure: the scan is still running at the next request.
    link.transact(acquisitionParameters(1, 0, 0, 10000000));
    link.send({kCmdTriggerAcquisition});
    const Report status = link.transact({kCmdGetStatus});
    EXPECT_EQ(status[1], kStatusAcquiring);
    EXPECT_EQ(field16(status, 2), 0);
    EXPECT_EQ(pixelsOf(link.stream(frameRequest(0)))[1800], 0);
}

}  // namespace
}  // namespace vantrel::test
