// The device library's own worker threads against a virtual device that
// faults now and then, while a test thread fires its trigger and changes
// its scene: every transfer ends, and the device answers again afterwards.
#include "VirtualFixture.h"

#include <thread>

#include "vantrel_shared.h"

namespace vantrel::test {
namespace {

using namespace virt;

class VirtualLibrary : public VirtualTest {
protected:
    void SetUp() override
    {
        VirtualTest::SetUp();
        hub().setDeviceCount(1);
        hid::setBackendForTesting(&virtualBackend());
    }
    void TearDown() override
    {
        disconnectLibrary();
        hid::setBackendForTesting(nullptr);
        VirtualTest::TearDown();
    }

    static int32_t finish()
    {
        int32_t code = 0, state = 0, result = -1;
        while (getCurrentOperationInfo(0, &code, &state) == 0 && state != 2) std::this_thread::yield();
        checkLastError(0, &result);
        return result;
    }
};

TEST_F(VirtualLibrary, AcquisitionsUnderFaultsAlwaysEnd)
{
    hub().addFaults("drop,cmd=0x0A,p=0.05,seed=11; countdown,p=0.05,seed=12; write,p=0.02,seed=13");
    std::atomic<bool> stop{false};
    std::thread control([&] {
        for (int i = 0; !stop.load(); ++i) {
            hub().fireExternalTrigger(0);
            hub().device(0).setSceneGain(i % 2 ? 1.0 : 0.9);
            std::this_thread::yield();
        }
    });
    std::vector<std::uint16_t> frame(4099);
    int good = 0;
    for (int i = 0; i < 40; ++i) {
        setAcquisitionParameters(0, 2, 0, 3, 1000);
        if (::getFrame(0, frame.data(), 0xFFFF) != 0) continue;
        const int32_t result = finish();
        EXPECT_TRUE(result == 0 || result == 504 || result == 505 || result == 507) << result;
        if (result == 0) {
            ++good;
            EXPECT_GT(frame[1800], 10000);
        }
    }
    stop.store(true);
    control.join();
    EXPECT_GT(good, 20);
    EXPECT_GT(hub().faultsFired(), 0u);

    hub().clearFaults();
    std::vector<std::uint8_t> flash(6000);
    ASSERT_EQ(readFlash(0, flash.data(), 0, 6000), 0);
    EXPECT_EQ(finish(), 0);
    EXPECT_EQ(flash[5], '.');
}

}  // namespace
}  // namespace vantrel::test
