// The worker and session against the virtual spectrometer through the real
// device library: recovery from injected faults over many acquisitions, the
// external trigger, and the factory calibration's flash round trip.
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "VirtualSessionFixture.h"
#include "files/CalibrationFile.h"
#include "vantrel_shared.h"
#include "virtual/VirtualHub.h"

namespace halden::test {
namespace {

class VirtualDeviceTest : public VirtualSessionTest {};

TEST_F(VirtualDeviceTest, EveryAcquisitionCompletesWhileTheDeviceMisbehaves)
{
    auto& hub = vantrel::virt::hub();
    ASSERT_EQ(hub.addFaults("code,cmd=0x01,p=0.03,seed=3;code,cmd=0x03,p=0.2,seed=4;"
                            "drop,cmd=0x01,p=0.01,seed=9;drop,cmd=0x0A,p=0.01,seed=11;"
                            "write,p=0.02,seed=5;status,cmd=0x01,p=0.02,seed=6;unplug,once=150,for=2"),
              "");
    SpectrumStore& s = session->store();
    s.m_chartBar.exposureText = "1";
    constexpr int kAcquisitions = 200;
    int completed = 0, failed = 0, alternations = 0;
    bool lastSelect = s.m_bufferSelect;
    QObject::connect(session.get(), &Session::acquisitionCompleted, [&](bool deviceFailed) {
        ++completed;
        failed += deviceFailed;
        alternations += s.m_bufferSelect != lastSelect;
        lastSelect = s.m_bufferSelect;
        // A failed acquisition leaves the device to be configured anew.
        if (deviceFailed) {
            EXPECT_TRUE(s.m_resendParameters);
        }
        if (completed == kAcquisitions) session->setRun(false);
    });
    ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] { session->setRun(true); },
                              kAcquisitions));
    EXPECT_EQ(completed, kAcquisitions);
    // Only the acquisitions that delivered were published.
    EXPECT_EQ(alternations, kAcquisitions - failed);
    EXPECT_GT(failed, 0);
    EXPECT_GT(hub.faultsFired(), 0u);
    // After the faults the device is configured again and delivers.
    hub.clearFaults();
    std::vector<bool> results;
    QObject::connect(session.get(), &Session::acquisitionCompleted, [&](bool f) { results.push_back(f); });
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] { session->startAcquisition(); }));
    EXPECT_FALSE(results.back());
    EXPECT_GT(session->store().liveBuffer()[1000], 0);
}

// A broken countdown inside a frame's report stream fails that acquisition;
// the device drops the rest of the stream at the next request, so the
// following acquisitions configure anew and succeed.
TEST_F(VirtualDeviceTest, AcquisitionRecoversFromAFaultInsideAFrameStream)
{
    auto& hub = vantrel::virt::hub();
    ASSERT_EQ(hub.addFaults("countdown,cmd=0x0A,once=1"), "");
    std::vector<bool> results;
    QObject::connect(session.get(), &Session::acquisitionCompleted, [&](bool f) { results.push_back(f); });
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] { session->startAcquisition(); }));
    EXPECT_TRUE(results[0]);
    EXPECT_FALSE(results.back());
}

TEST_F(VirtualDeviceTest, ExternalTriggerStartsTheWaitingAcquisition)
{
    SpectrumStore& s = session->store();
    s.m_extTrigMode = 1;
    s.m_extTrigEdge = 1;  // rising
    bool fired = false;
    pacer.onPause = [&](int index) {
        if (index == 3) fired = vantrel::virt::hub().fireExternalTrigger(0, true);
    };
    bool failed = true;
    ASSERT_TRUE(waitForSignal(*session, &Session::acquisitionCompleted, [&] {
        QObject::connect(session.get(), &Session::acquisitionCompleted, [&](bool f) { failed = f; });
        session->startAcquisition();
    }));
    pacer.onPause = nullptr;
    EXPECT_TRUE(fired);
    EXPECT_FALSE(failed);
    EXPECT_GE(pacer.count(25), 3u);
    EXPECT_GT(s.liveBuffer()[1000], 0);
}

TEST_F(VirtualDeviceTest, FactoryCalibrationSurvivesAFlashRoundTrip)
{
    ASSERT_TRUE(waitForSignal(*session, &Session::calibrationCompleted, [&] { session->chooseSpectrometer(); }));
    SpectrumStore& s = session->store();
    ASSERT_EQ(s.m_calibrationHeader[5], '.');
    EXPECT_TRUE(prompt.messages().empty());
    const std::string backup = backupCalibrationFileName(s.m_calibrationHeader);
    EXPECT_TRUE(std::ifstream(cwd.path(backup)).good()) << backup;
    EXPECT_LT(s.m_wavelength[0], s.m_wavelength[3652]);

    for (int i = 0; i < kSpectrumPoints; ++i) s.m_sensitivity[i] = 0.5 + i * 0.0001;
    const auto before = std::vector<double>(s.m_wavelength.begin(), s.m_wavelength.begin() + kSpectrumPoints);
    const bool increasing = s.m_increasing;
    ASSERT_TRUE(session->saveCalibrationToFlash());

    const std::vector<std::uint8_t> flash = vantrel::virt::hub().readFlash(0);
    const CalibrationText expected =
        formatCalibrationText(calibrationSourceFromStore(s, s.m_recordIrradianceFactor), CalibrationLayout::Flash);
    ASSERT_TRUE(expected.ok());
    ASSERT_GE(flash.size(), expected.text.size());
    EXPECT_EQ(std::string(flash.begin(), flash.begin() + expected.text.size()), expected.text);

    for (int i = 0; i < kSpectrumPoints; ++i) s.m_sensitivity[i] = 0;
    ASSERT_TRUE(waitForSignal(*session, &Session::calibrationCompleted,
                              [&] { session->post(Operation::ReadFlash); }));
    EXPECT_EQ(s.m_increasing, increasing);
    for (int i = 0; i < kSpectrumPoints; ++i) {
        ASSERT_NEAR(s.m_sensitivity[i], 0.5 + i * 0.0001, 5e-4) << i;
        ASSERT_NEAR(s.m_wavelength[i], before[i], 5e-4) << i;
    }
}

}  // namespace
}  // namespace halden::test
