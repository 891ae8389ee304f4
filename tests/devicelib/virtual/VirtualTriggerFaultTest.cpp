// External and optical triggers, injected faults, unplugging, and several
// threads using one device at once.
#include "VirtualFixture.h"

#include <atomic>
#include <thread>

namespace vantrel::test {
namespace {

using namespace virt;

class VirtualTrigger : public VirtualTest {};
class VirtualFault : public VirtualTest {};

Report status(Link& link) { return link.transact({kCmdGetStatus}); }

TEST_F(VirtualTrigger, ExternalTriggerStartsArmedAcquisitionOnItsEdge)
{
    Link link;
    link.transact({kCmdSetExternalTrigger, 1, 2});  // every event, falling edge
    link.transact(acquisitionParameters(2, 0, 0, 1000));
    EXPECT_EQ(status(link)[1], kStatusWaitingForTrigger);
    EXPECT_FALSE(hub().fireExternalTrigger(0, true));
    EXPECT_FALSE(hub().fireExternalTrigger(1, false));  // the other device is not armed
    EXPECT_TRUE(hub().fireExternalTrigger(0, false));
    Report s = status(link);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(field16(s, 2), 2);
    // Clearing memory arms it again.
    link.transact({kCmdClearMemory});
    EXPECT_EQ(status(link)[1], kStatusWaitingForTrigger);
}

TEST_F(VirtualTrigger, OneTimeTriggerRunsFreeAfterFiring)
{
    Link link;
    link.transact({kCmdSetExternalTrigger, 2, 3});
    link.transact(acquisitionParameters(1, 0, 0, 1000));
    EXPECT_TRUE(hub().fireExternalTrigger(0));
    link.transact({kCmdClearMemory});
    const Report s = status(link);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(field16(s, 2), 1);
}

TEST_F(VirtualTrigger, OpticalTriggerFiresWhenTheWatchedPixelCrossesTheLevel)
{
    hub().device(0).setSceneGain(0.0);  // light off
    Link link;
    // Watch point 1850 (pixel 1883), fire above 10000 counts.
    link.transact({kCmdSetOpticalTrigger, 1, 0x3A, 0x07, 0x10, 0x27});
    link.transact(acquisitionParameters(1, 0, 0, 1000));
    EXPECT_EQ(status(link)[1], kStatusWaitingForTrigger);
    EXPECT_EQ(status(link)[1], kStatusWaitingForTrigger);
    hub().device(0).setSceneGain(1.0);  // light on
    const Report s = status(link);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(field16(s, 2), 1);

    // Below the level: fires while the light is off.
    link.transact({kCmdSetOpticalTrigger, 2, 0x3A, 0x07, 0x10, 0x27});
    EXPECT_EQ(status(link)[1], kStatusWaitingForTrigger);
    hub().device(0).setSceneGain(0.0);
    EXPECT_EQ(status(link)[1], 0);
}

TEST_F(VirtualFault, SpecStringsParseOrAreRefused)
{
    const FaultSpec spec = parseFaultSpec("drop,cmd=0x0A,once=3; code,p=0.25,seed=9 ;unplug,for=2,device=1");
    EXPECT_TRUE(spec.error.empty()) << spec.error;
    ASSERT_EQ(spec.rules.size(), 3u);
    EXPECT_EQ(spec.rules[0].kind, FaultKind::MissingReply);
    EXPECT_EQ(spec.rules[0].command, 0x0A);
    EXPECT_EQ(spec.rules[0].once, 3u);
    EXPECT_DOUBLE_EQ(spec.rules[1].probability, 0.25);
    EXPECT_EQ(spec.rules[1].seed, 9u);
    EXPECT_EQ(spec.rules[2].once, 1u);  // no once= and no p=: the next request
    EXPECT_EQ(spec.rules[2].absentOpens, 2);
    EXPECT_EQ(spec.rules[2].device, 1);

    const FaultSpec bad = parseFaultSpec("explode; drop,p=2; status,value=7");
    EXPECT_EQ(bad.rules.size(), 1u);
    EXPECT_NE(bad.error.find("explode"), std::string::npos);
    EXPECT_NE(bad.error.find("drop,p=2"), std::string::npos);
}

TEST_F(VirtualFault, OneShotFaultsStrikeTheChosenRequest)
{
    Link link;
    hub().addFaults("drop,cmd=1,once=2; code,cmd=9; status,cmd=7,value=5; write,cmd=8");
    EXPECT_EQ(status(link)[0], 0x81);
    EXPECT_EQ(link.send({kCmdGetStatus}), 65);
    EXPECT_FALSE(link.receive(20).has_value());  // the second status request is dropped
    EXPECT_EQ(status(link)[0], 0x81);
    EXPECT_EQ(link.transact({kCmdGetAcquisitionParameters})[0], 0x8A);
    EXPECT_EQ(link.transact({kCmdGetAcquisitionParameters})[0], 0x89);
    EXPECT_EQ(link.transact({kCmdClearMemory})[1], 5);
    EXPECT_EQ(link.send({kCmdGetFrameFormat}), -1);
    EXPECT_EQ(link.transact({kCmdGetFrameFormat})[0], 0x88);
    EXPECT_EQ(hub().faultsFired(), 4u);
}

TEST_F(VirtualFault, BrokenCountdownBreaksTheSequence)
{
    Link link;
    link.transact(acquisitionParameters(1, 0, 3, 1000));
    hub().addFaults("countdown,cmd=0x0A");
    const auto reports = link.stream(frameRequest(kAveragedFrame, 3));
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports[0][3], 2);
    EXPECT_EQ(reports[1][3], 2);  // should have been 1
}

TEST_F(VirtualFault, ProbabilityFaultsRepeatWithTheirSeed)
{
    auto countDropped = [] {
        hub().clearFaults();
        hub().addFaults("drop,cmd=1,p=0.1,seed=42");
        Link link;
        int dropped = 0;
        for (int i = 0; i < 200; ++i) {
            link.send({kCmdGetStatus});
            if (!link.receive(0)) ++dropped;
        }
        return dropped;
    };
    const int first = countDropped();
    EXPECT_EQ(countDropped(), first);
    EXPECT_GT(first, 5);
    EXPECT_LT(first, 45);
}

TEST_F(VirtualFault, UnpluggedDeviceIsGoneUntilItComesBack)
{
    Link link;
    hub().addFaults("unplug,cmd=1,for=2");
    EXPECT_EQ(link.send({kCmdGetStatus}), -1);
    Report r{};
    EXPECT_EQ(link.device().readTimeout(r.data(), r.size(), 0), -1);
    const auto listed = virtualBackend().enumerate(kVendorId, kProductId);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].serialNumber, hub().serialNumber(1));
    EXPECT_FALSE(Link(0).isOpen());
    EXPECT_FALSE(Link(0).isOpen());
    Link back(0);
    ASSERT_TRUE(back.isOpen());
    EXPECT_EQ(status(back)[0], 0x81);
    EXPECT_EQ(link.send({kCmdGetStatus}), -1);  // the old handle stays dead

    hub().unplug(1);
    EXPECT_FALSE(Link(1).isOpen());
    hub().replug(1);
    EXPECT_TRUE(Link(1).isOpen());
}

TEST_F(VirtualFault, ThreadsShareADeviceSafely)
{
    hub().addFaults("code,p=0.05,seed=3");
    std::atomic<bool> stop{false};
    std::thread control([&] {
        for (int i = 0; !stop.load(); ++i) {
            hub().device(0).setScene(i % 2 ? Scene::Led : Scene::Lamp);
            hub().fireExternalTrigger(0);
            (void)hub().device(0).state();
            std::this_thread::yield();
        }
    });
    Link link;
    int frames = 0;
    for (int i = 0; i < 30; ++i) {
        link.transact(acquisitionParameters(1, 0, 3, 1000));
        if (link.stream(frameRequest(kAveragedFrame)).size() == 124) ++frames;
    }
    stop.store(true);
    control.join();
    EXPECT_GT(frames, 0);
}

}  // namespace
}  // namespace vantrel::test
