#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "spectrum/Settings.h"
#include "support/PromptRecorder.h"

namespace halden {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { store = std::make_unique<SpectrumStore>(); }
    std::unique_ptr<SpectrumStore> store;
    test::PromptRecorder prompt;
};

TEST_F(SettingsTest, DialogsStopAcquisitionAndPeriodicSaving) {
    store->m_running = true;
    store->m_chartBar.runChecked = true;
    store->m_periodicSave = true;
    store->m_saveCounter = 4;
    CommandEffects fx = stopForDialog(*store);
    EXPECT_FALSE(store->m_running);
    EXPECT_FALSE(store->m_chartBar.runChecked);
    EXPECT_FALSE(store->m_periodicSave);
    EXPECT_EQ(store->m_saveCounter, 0);
    EXPECT_TRUE(fx.stopSaveTimer);

    // Not running: periodic saving still ends, its counter stays.
    store->m_periodicSave = true;
    store->m_saveCounter = 4;
    fx = stopForDialog(*store);
    EXPECT_FALSE(store->m_periodicSave);
    EXPECT_EQ(store->m_saveCounter, 4);
    EXPECT_TRUE(fx.stopSaveTimer);
    EXPECT_FALSE(settingsFromStore(*store).periodicSave);

    EXPECT_FALSE(stopForDialog(*store).stopSaveTimer);
}

TEST_F(SettingsTest, FieldsShowTheStoreInTheirFormats) {
    const SettingsFields f = settingsFromStore(*store);
    EXPECT_EQ(f.exposure, "0.050");
    EXPECT_EQ(f.scans, "1");
    EXPECT_EQ(f.sensorFirst, "33");
    EXPECT_EQ(f.sensorLast, "3685");
    EXPECT_EQ(f.energyLow, "380.0");
    EXPECT_EQ(f.interval2High, "580.0");
    EXPECT_EQ(f.saveInterval, "1");
    EXPECT_EQ(f.irradianceFactor, "1.00E+00");
    EXPECT_TRUE(f.average);
    EXPECT_TRUE(f.applyNorm);
    EXPECT_TRUE(f.gridLines);
    store->m_irradianceFactor = 0.000123456;
    EXPECT_EQ(settingsFromStore(*store).irradianceFactor, "1.23E-04");
}

TEST_F(SettingsTest, OkReadsBackWithItsClamps) {
    store->m_irradianceFactor = 3;
    SettingsFields f = settingsFromStore(*store);
    f.exposure = "12.345";
    f.scans = "64";
    f.blankScans = "-3";
    f.applyNorm = false;
    f.testMode = true;
    f.fast = true;
    f.average = false;
    f.energyLow = "400.5";
    f.interval3High = "junk";
    f.irradianceFactor = "2.50E+00";
    store->m_referenceStored = true;
    const CommandEffects fx = applySettings(*store, f, prompt);
    EXPECT_TRUE(prompt.messages().empty());
    EXPECT_EQ(store->m_exposure, 1234);
    EXPECT_EQ(store->m_scans, 60);
    EXPECT_EQ(store->m_blankScans, -3);
    EXPECT_FALSE(store->m_applyNorm);
    EXPECT_TRUE(store->m_testMode);
    EXPECT_DOUBLE_EQ(store->m_energyLow, 400.5);
    EXPECT_DOUBLE_EQ(store->m_interval3High, 0);
    EXPECT_DOUBLE_EQ(store->m_irradianceFactor, 2.5);
    EXPECT_DOUBLE_EQ(store->m_recordIrradianceFactor, 2.5);
    EXPECT_DOUBLE_EQ(store->m_exposureScaled, 1234 * 2.5);
    // Fast set here changes only the member: the reference survives.
    EXPECT_TRUE(store->m_fast);
    EXPECT_TRUE(store->m_referenceStored);
    // The chart bar follows.
    EXPECT_EQ(store->m_chartBar.exposureText, "12.340");
    EXPECT_EQ(store->m_chartBar.scansText, "60");
    EXPECT_TRUE(store->m_chartBar.fastChecked);
    EXPECT_FALSE(store->m_chartBar.averageChecked);
    EXPECT_TRUE(fx.repaint);
    EXPECT_TRUE(fx.stopSaveTimer);
    EXPECT_FALSE(fx.startSaveTimer);

    f.exposure = "200000";
    f.scans = "zero";
    applySettings(*store, f, prompt);
    EXPECT_EQ(store->m_exposure, 10000000);
    EXPECT_EQ(store->m_scans, 1);
    f.exposure = "-1";
    applySettings(*store, f, prompt);
    EXPECT_EQ(store->m_exposure, 0);
}

TEST_F(SettingsTest, ApplyCalibrOffSwitchesToThePixelAxis) {
    SettingsFields f = settingsFromStore(*store);
    f.applyCalibr = false;
    applySettings(*store, f, prompt);
    EXPECT_FALSE(store->m_applyCalibr);
    EXPECT_TRUE(store->m_increasing);
    EXPECT_DOUBLE_EQ(store->m_wavelength[0], 0);
    EXPECT_DOUBLE_EQ(store->m_wavelength[3652], 3652);
}

TEST_F(SettingsTest, SensorWindowOffTheFrameKeepsItsValues) {
    SettingsFields f = settingsFromStore(*store);
    f.sensorFirst = "40";
    f.sensorLast = "3600";
    applySettings(*store, f, prompt);
    EXPECT_EQ(store->m_sensorFirst, 40);
    EXPECT_EQ(store->m_sensorLast, 3600);
    f.sensorFirst = "70000";
    f.sensorLast = "-2";
    applySettings(*store, f, prompt);
    EXPECT_EQ(store->m_sensorFirst, 40);
    EXPECT_EQ(store->m_sensorLast, 3600);
    f.sensorFirst = "3000";
    f.sensorLast = "100";  // crossed: both keep
    applySettings(*store, f, prompt);
    EXPECT_EQ(store->m_sensorFirst, 40);
    EXPECT_EQ(store->m_sensorLast, 3600);
}

TEST_F(SettingsTest, PeriodicSavingStartsWithAFirstSave) {
    SettingsFields f = settingsFromStore(*store);
    f.periodicSave = true;
    f.saveInterval = "5.9";
    f.saveTxt = true;
    CommandEffects fx = applySettings(*store, f, prompt);
    ASSERT_EQ(prompt.messages().size(), 1u);
    EXPECT_EQ(prompt.messages()[0].text, "Save First Spectra");
    EXPECT_EQ(prompt.messages()[0].caption, "Information");
    EXPECT_TRUE(store->m_periodicSave);
    EXPECT_TRUE(store->m_saveTxt);
    EXPECT_EQ(store->m_saveInterval, 5);
    EXPECT_TRUE(fx.saveOnceNow);
    EXPECT_TRUE(fx.startSaveTimer);
    EXPECT_FALSE(fx.stopSaveTimer);
    EXPECT_EQ(fx.saveTimerMs, 5000);

    // A zero interval would make the timer fire continuously.
    f.saveInterval = "0";
    fx = applySettings(*store, f, prompt);
    EXPECT_EQ(store->m_saveInterval, 0);
    EXPECT_EQ(fx.saveTimerMs, 1000);
    f.saveInterval = "1e12";
    fx = applySettings(*store, f, prompt);
    EXPECT_GT(fx.saveTimerMs, 0);

    EXPECT_TRUE(cancelSettings().repaint);
}

TEST_F(SettingsTest, TriggerDialogRemembersTheSelection) {
    TriggerFields f = triggerFromStore(*store);
    EXPECT_EQ(f.selection, TriggerSelection::None);
    EXPECT_FALSE(externalGroupEnabled(f));
    EXPECT_FALSE(opticalGroupEnabled(f));
    EXPECT_EQ(f.wavelength, "500.0");
    EXPECT_EQ(f.intensity, "2000.0");
    EXPECT_TRUE(f.rising);
    EXPECT_TRUE(f.below);

    f.selection = TriggerSelection::Optical;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_trigMode, 2);
    EXPECT_TRUE(store->m_trigOptical);
    EXPECT_FALSE(store->m_trigNone);
    f = triggerFromStore(*store);
    EXPECT_EQ(f.selection, TriggerSelection::Optical);
    EXPECT_TRUE(opticalGroupEnabled(f));
    EXPECT_FALSE(externalGroupEnabled(f));

    selectExternalEdge(f, ExternalEdge::Both);
    EXPECT_TRUE(f.bothEdges);
    EXPECT_FALSE(f.rising || f.falling);
    selectOpticalCondition(f, OpticalCondition::OnceAbove);
    EXPECT_TRUE(f.onceAbove);
    EXPECT_FALSE(f.above || f.below || f.onceBelow);
}

TEST_F(SettingsTest, ExternalTriggerMapping) {
    TriggerFields f = triggerFromStore(*store);
    f.selection = TriggerSelection::External;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_extTrigMode, 1);
    EXPECT_EQ(store->m_extTrigEdge, 1);  // rising by default
    EXPECT_EQ(store->m_optTrigMode, 0);

    f.oneTime = true;
    f.falling = true;  // with rising also set, the later check wins
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_extTrigMode, 2);
    EXPECT_EQ(store->m_extTrigEdge, 2);
    f.bothEdges = true;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_extTrigEdge, 3);

    f.selection = TriggerSelection::None;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_extTrigMode, 0);
    EXPECT_EQ(store->m_extTrigEdge, 0);
    EXPECT_EQ(store->m_optTrigMode, 0);
    EXPECT_EQ(store->m_trigMode, 0);
    EXPECT_TRUE(store->m_trigNone);
}

TEST_F(SettingsTest, OpticalTriggerMapping) {
    TriggerFields f = triggerFromStore(*store);
    f.selection = TriggerSelection::Optical;
    f.below = false;
    f.above = true;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigMode, 1);
    EXPECT_EQ(store->m_extTrigMode, 0);
    f.below = true;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigMode, 2);
    f.onceBelow = true;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigMode, 0x81);
    f.onceAbove = true;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigMode, 0x82);

    // Reversed detector: point 100 is detector point 3552.
    f.wavelength = std::to_string(store->m_wavelength[100] + 0.001);
    f.intensity = "1000";
    store->m_sensitivity[3552] = 2.5;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigPoint, 3552);
    EXPECT_EQ(store->m_optTrigLevel, 1000 * 2.5 + 4000);

    store->m_increasing = true;
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigPoint, 100);

    // Far outside the calibrated range: the last point; the level stays a
    // 16-bit value.
    f.wavelength = "5000";
    f.intensity = "1e9";
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigPoint, 3652);
    EXPECT_EQ(store->m_optTrigLevel, 65535);
    f.intensity = "-1e9";
    applyTrigger(*store, f);
    EXPECT_EQ(store->m_optTrigLevel, 0);
}

TEST(FindNearestPoint, RisingArray) {
    const std::vector<double> a{10, 20, 30, 40, 50};
    const int n = int(a.size());
    EXPECT_EQ(findNearestPoint(5, n, a.data()), 0);
    EXPECT_EQ(findNearestPoint(10, n, a.data()), 0);
    EXPECT_EQ(findNearestPoint(50, n, a.data()), 4);
    EXPECT_EQ(findNearestPoint(99, n, a.data()), 4);
    EXPECT_EQ(findNearestPoint(24.9, n, a.data()), 1);
    EXPECT_EQ(findNearestPoint(25, n, a.data()), 2);  // tie: higher index
    EXPECT_EQ(findNearestPoint(45, n, a.data()), 4);
    EXPECT_EQ(findNearestPoint(30, n, a.data()), 2);
}

TEST(FindNearestPoint, FallingArray) {
    const std::vector<double> a{50, 40, 30, 20, 10};
    const int n = int(a.size());
    EXPECT_EQ(findNearestPoint(60, n, a.data()), 0);
    EXPECT_EQ(findNearestPoint(50, n, a.data()), 0);
    EXPECT_EQ(findNearestPoint(10, n, a.data()), 4);
    EXPECT_EQ(findNearestPoint(0, n, a.data()), 4);
    EXPECT_EQ(findNearestPoint(45, n, a.data()), 1);  // tie: higher index
    EXPECT_EQ(findNearestPoint(45.1, n, a.data()), 0);
    EXPECT_EQ(findNearestPoint(15, n, a.data()), 4);
}

TEST(FindNearestPoint, SmallAndFlatArraysAndBruteForce) {
    const double one[] = {7};
    EXPECT_EQ(findNearestPoint(3, 1, one), 0);
    EXPECT_EQ(findNearestPoint(3, 0, one), 0);
    const double flat[] = {4, 4, 4};
    EXPECT_EQ(findNearestPoint(9, 3, flat), 0);
    EXPECT_EQ(findNearestPoint(1, 3, flat), 2);

    std::mt19937 rng(3);
    std::uniform_real_distribution<double> step(0.1, 2.0);
    for (int trial = 0; trial < 40; ++trial) {
        const int n = 2 + trial * 37;
        std::vector<double> a(n);
        a[0] = 100;
        for (int i = 1; i < n; ++i) a[i] = a[i - 1] + step(rng);
        if (trial % 2) std::reverse(a.begin(), a.end());
        std::uniform_real_distribution<double> xs(90, 110 + 2.0 * n);
        for (int q = 0; q < 50; ++q) {
            const double x = xs(rng);
            int best = 0;
            for (int i = 1; i < n; ++i)
                if (std::abs(a[i] - x) < std::abs(a[best] - x)) best = i;
            ASSERT_EQ(findNearestPoint(x, n, a.data()), best) << "n=" << n << " x=" << x;
        }
    }
}

}  // namespace
}  // namespace halden
