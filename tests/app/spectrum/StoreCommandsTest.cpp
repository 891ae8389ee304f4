#include <gtest/gtest.h>

#include <memory>

#include "common/Messages.h"
#include "spectrum/StoreCommands.h"

namespace halden {
namespace {

class StoreCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { store = std::make_unique<SpectrumStore>(); }
    // Puts value(i) into row 0 of the buffer the view reads.
    template <class F>
    void setLive(F value) {
        double* live = store->liveBuffer();
        for (int i = 0; i < kPointCapacity; ++i) live[i] = value(i);
    }
    std::unique_ptr<SpectrumStore> store;
};

TEST_F(StoreCommandsTest, CommittedEditsAreClampedFormattedAndNonNumbersRefused) {
    ChartBarState& bar = store->m_chartBar;
    EXPECT_FALSE(commitExposureText(*store, "12.345"));
    EXPECT_EQ(store->m_exposure, 1234);
    EXPECT_EQ(bar.exposureText, "12.340");
    EXPECT_FALSE(commitScansText(*store, "100"));
    EXPECT_EQ(store->m_scans, 64);
    EXPECT_EQ(bar.scansText, "64");

    EXPECT_FALSE(commitExposureText(*store, " 400000 "));  // the chart bar allows up to 300 s
    EXPECT_EQ(store->m_exposure, 30000000);
    EXPECT_EQ(bar.exposureText, "300000.000");
    EXPECT_FALSE(commitScansText(*store, "0"));
    EXPECT_EQ(store->m_scans, 1);
    EXPECT_FALSE(commitExposureText(*store, "-5"));
    EXPECT_EQ(store->m_exposure, 0);

    // A half-typed, empty or foreign text never becomes an exposure of 0:
    // it is refused and the last valid value stays in the store and the edit.
    EXPECT_FALSE(commitExposureText(*store, "45"));
    for (const char* odd : {"", ".", "fast please", "nan", "inf", "1e400", "0x10", "4,5", "45ms"}) {
        const auto refusal = commitExposureText(*store, odd);
        ASSERT_TRUE(refusal) << odd;
        EXPECT_EQ(*refusal, messages::kExposureNotNumber);
        EXPECT_EQ(store->m_exposure, 4500) << odd;
        EXPECT_EQ(bar.exposureText, "45.000") << odd;
    }
    EXPECT_TRUE(commitScansText(*store, " 7 scans"));
    EXPECT_TRUE(commitScansText(*store, "2.5"));
    EXPECT_EQ(store->m_scans, 1);
    EXPECT_EQ(bar.scansText, "1");
    EXPECT_FALSE(commitScansText(*store, "99999999999999999999"));
    EXPECT_EQ(store->m_scans, 64);
}

TEST_F(StoreCommandsTest, StartingAnAcquisitionUsesTheCommittedValues) {
    store->m_progressTicks = 9;
    store->m_irradianceFactor = 2.0;
    commitExposureText(*store, "12.34");
    store->m_chartBar.exposureText = "99";  // typed, not committed: not in force
    readAcquisitionSettings(*store);
    EXPECT_EQ(store->m_progressTicks, 0);
    EXPECT_EQ(store->m_exposure, 1234);
    EXPECT_DOUBLE_EQ(store->m_exposureScaled, 2468);
    EXPECT_EQ(store->m_chartBar.exposureText, "99");  // never rewritten by an acquisition

    commitExposureText(*store, "0");
    readAcquisitionSettings(*store);  // the device takes no 0: 0.01 ms, kept
    EXPECT_EQ(store->m_exposure, 1);
    EXPECT_EQ(store->m_chartBar.exposureText, "0.010");
}

TEST_F(StoreCommandsTest, RunStartsAndStops) {
    store->m_resendParameters = false;
    store->m_showReport = true;
    CommandEffects fx = setRun(*store, true);
    EXPECT_TRUE(store->m_running);
    EXPECT_TRUE(store->m_resendParameters);
    EXPECT_FALSE(store->m_showReport);
    EXPECT_TRUE(store->m_chartBar.runChecked);
    EXPECT_TRUE(fx.startProgressTimer);
    EXPECT_TRUE(fx.startAcquisition);

    store->m_resendParameters = false;
    fx = setRun(*store, false);
    EXPECT_FALSE(store->m_running);
    EXPECT_TRUE(store->m_resendParameters);  // ends a trigger wait
    EXPECT_FALSE(fx.startAcquisition);
    EXPECT_FALSE(fx.stopSaveTimer);
    EXPECT_FALSE(fx.stopProgressTimer);

    setRun(*store, true);
    store->m_periodicSave = true;
    store->m_saveCounter = 12;
    fx = setRun(*store, false);
    EXPECT_FALSE(store->m_periodicSave);
    EXPECT_EQ(store->m_saveCounter, 0);
    EXPECT_TRUE(fx.stopSaveTimer);
    EXPECT_TRUE(fx.stopProgressTimer);
}

TEST_F(StoreCommandsTest, BackgroundStateMachine) {
    ChartBarState& bar = store->m_chartBar;
    // Before any capture the Subtract box cannot be checked.
    setSubtract(*store, true);
    EXPECT_FALSE(bar.subtractChecked);
    EXPECT_FALSE(bar.subtractEnabled);
    EXPECT_FALSE(store->m_subtractBackground);

    getBackground(*store);
    EXPECT_EQ(store->m_backgroundState, BackgroundState::Requested);
    EXPECT_TRUE(bar.subtractEnabled);
    EXPECT_FALSE(bar.subtractChecked);

    setLive([](int i) { return 10.0 + i; });
    store->m_rangeLast = 3000;
    EXPECT_TRUE(captureBackgroundIfRequested(*store));
    EXPECT_EQ(store->m_backgroundState, BackgroundState::Captured);
    EXPECT_DOUBLE_EQ(store->m_background[0], 10);
    EXPECT_DOUBLE_EQ(store->m_background[3000], 3010);
    EXPECT_DOUBLE_EQ(store->m_background[3001], 0);
    EXPECT_FALSE(captureBackgroundIfRequested(*store));  // only once per request

    store->m_ratioMode = 3;
    bar.absorbanceChecked = true;
    setSubtract(*store, true);
    EXPECT_EQ(store->m_backgroundState, BackgroundState::Subtracted);
    EXPECT_TRUE(store->m_subtractBackground);
    EXPECT_TRUE(bar.subtractChecked);
    EXPECT_EQ(store->m_ratioMode, 0);
    EXPECT_FALSE(bar.absorbanceChecked);

    store->m_ratioMode = 1;
    setSubtract(*store, false);
    EXPECT_EQ(store->m_backgroundState, BackgroundState::Captured);
    EXPECT_FALSE(store->m_subtractBackground);
    EXPECT_EQ(store->m_ratioMode, 0);

    setSubtract(*store, true);
    getBackground(*store);  // a new request stops subtracting the old one
    EXPECT_EQ(store->m_backgroundState, BackgroundState::Requested);
    EXPECT_FALSE(store->m_subtractBackground);
}

TEST_F(StoreCommandsTest, FastBackgroundCaptureTakesHalfTheSpectrum) {
    store->m_fast = true;
    setLive([](int i) { return 1.0 + i; });
    getBackground(*store);
    // The spectrum shown is still a full-resolution one: it waits.
    EXPECT_FALSE(captureBackgroundIfRequested(*store));
    store->m_liveAcquisition.settings.conditioning.fast = true;
    store->m_liveAcquisition.lastPoint = 1826;
    EXPECT_TRUE(captureBackgroundIfRequested(*store));
    EXPECT_DOUBLE_EQ(store->m_background[1825], 1826);
    EXPECT_DOUBLE_EQ(store->m_background[1826], 0);
}

TEST_F(StoreCommandsTest, FastDropsReferenceRatioAndBackground) {
    ChartBarState& bar = store->m_chartBar;
    setLive([](int) { return 5.0; });
    getSourceSpectra(*store);
    store->m_ratioMode = 2;
    bar.transmittanceChecked = true;
    getBackground(*store);
    captureBackgroundIfRequested(*store);
    setSubtract(*store, true);

    const CommandEffects fx = setFast(*store, true);
    EXPECT_TRUE(fx.repaint);
    EXPECT_TRUE(store->m_fast);
    EXPECT_TRUE(bar.fastChecked);
    EXPECT_FALSE(store->m_referenceStored);
    EXPECT_EQ(store->m_ratioMode, 0);
    EXPECT_FALSE(bar.transmittanceChecked || bar.transmittanceEnabled);
    EXPECT_FALSE(bar.reflectanceEnabled || bar.absorbanceEnabled);
    EXPECT_EQ(store->m_backgroundState, BackgroundState::None);
    EXPECT_FALSE(store->m_subtractBackground);
    EXPECT_FALSE(bar.subtractChecked || bar.subtractEnabled);
}

TEST_F(StoreCommandsTest, SnapshotAppendsAfterTheLiveCurve) {
    setLive([](int i) { return 2.0 * i; });
    SnapshotResult r = snapshot(*store);
    ASSERT_EQ(r.outcome, SnapshotOutcome::Added);
    EXPECT_TRUE(r.effects.repaint);
    EXPECT_EQ(r.curve, 1);
    EXPECT_EQ(store->m_storedCount, 2);
    EXPECT_EQ(store->m_storedLength[1], 3652);
    EXPECT_EQ(store->m_storedLength[2], -1);
    EXPECT_EQ(store->m_storedRed[1], 200);
    EXPECT_EQ(store->m_storedGreen[1], 300);
    EXPECT_EQ(store->m_storedBlue[1], 400);
    EXPECT_EQ(store->m_storedVisible[1], 1);
    EXPECT_DOUBLE_EQ(store->m_storedY[3653], 0);
    EXPECT_DOUBLE_EQ(store->m_storedY[7305], 2 * 3652);
    EXPECT_DOUBLE_EQ(store->m_storedX[3653], 210.43);
    EXPECT_DOUBLE_EQ(store->m_storedX[7305], 949.65);
    EXPECT_DOUBLE_EQ(store->m_storedX[7306], 7306);  // untouched pool

    store->m_wavenumberAxis = true;
    r = snapshot(*store);
    EXPECT_EQ(r.curve, 2);
    EXPECT_EQ(store->m_storedRed[2], 300);
    EXPECT_NEAR(store->m_storedX[7306 + 100],
                (1 / 532.1 - 1 / store->m_wavelength[100]) * 1e7, 1e-6);

    store->m_showGaussian = true;
    store->m_gaussCleared = false;
    const CommandEffects fx = clearAllStored(*store);
    EXPECT_TRUE(fx.repaint);
    EXPECT_EQ(store->m_storedCount, 0);
    EXPECT_EQ(store->m_storedLength[0], 3652);
    EXPECT_EQ(store->m_storedLength[1], -1);
    EXPECT_FALSE(store->m_showGaussian);
    EXPECT_TRUE(store->m_gaussCleared);
    EXPECT_EQ(snapshot(*store).curve, 1);
}

TEST_F(StoreCommandsTest, SnapshotRefusesWhatTheTableCannotHold) {
    // 98 small curves: the 99th still fits, a 100th does not.
    for (int k = 1; k < 98; ++k) store->m_storedLength[k] = 9;
    store->m_storedLength[98] = -1;
    SnapshotResult r = snapshot(*store);
    ASSERT_EQ(r.outcome, SnapshotOutcome::Added);
    EXPECT_EQ(r.curve, 98);
    EXPECT_EQ(store->m_storedLength[99], -1);
    r = snapshot(*store);
    EXPECT_EQ(r.outcome, SnapshotOutcome::TooManyCurves);
    EXPECT_FALSE(r.effects.repaint);
    EXPECT_EQ(store->m_storedLength[99], -1);
    EXPECT_FALSE(snapshotRefusalText(r.outcome).empty());

    clearAllStored(*store);
    store->m_storedLength[1] = kStoredPoolSize - 3653 - 3000;
    store->m_storedLength[2] = -1;
    r = snapshot(*store);
    EXPECT_EQ(r.outcome, SnapshotOutcome::PoolFull);
    EXPECT_EQ(store->m_storedLength[2], -1);
    store->m_rangeLast = 2998;  // exactly fills the pool
    EXPECT_EQ(snapshot(*store).outcome, SnapshotOutcome::Added);

    for (auto& n : store->m_storedLength) n = 5;  // no end marker at all
    EXPECT_EQ(snapshot(*store).outcome, SnapshotOutcome::TableDamaged);
}

TEST_F(StoreCommandsTest, DataWithoutCalibrationUsesThePixelAxis) {
    store->m_sensitivity[7] = 3;
    store->m_irradianceCal[7] = 3;
    useDataWithoutCalibration(*store);
    EXPECT_DOUBLE_EQ(store->m_wavelength[0], 0);
    EXPECT_DOUBLE_EQ(store->m_wavelength[3652], 3652);
    EXPECT_DOUBLE_EQ(store->m_sensitivity[7], 1);
    EXPECT_DOUBLE_EQ(store->m_irradianceCal[7], 1);
    EXPECT_TRUE(store->m_increasing);
}

TEST_F(StoreCommandsTest, SourceSpectraComeFromTheBufferTheViewReads) {
    store->m_bufferSelect = false;  // the worker fills B, the view reads A
    for (int i = 0; i < kPointCapacity; ++i) {
        store->m_bufferA[i] = 7;
        store->m_bufferB[i] = 99;
    }
    store->m_ratioMode = 3;
    getSourceSpectra(*store);
    EXPECT_DOUBLE_EQ(store->m_reference[0], 7);
    EXPECT_DOUBLE_EQ(store->m_reference[4095], 7);
    EXPECT_TRUE(store->m_referenceStored);
    EXPECT_EQ(store->m_ratioMode, 0);
    const ChartBarState& bar = store->m_chartBar;
    EXPECT_TRUE(bar.reflectanceEnabled && bar.transmittanceEnabled && bar.absorbanceEnabled);
    EXPECT_FALSE(bar.reflectanceChecked || bar.transmittanceChecked || bar.absorbanceChecked);

    store->m_reference.fill(0);
    store->m_fast = true;
    getSourceSpectra(*store);
    EXPECT_DOUBLE_EQ(store->m_reference[1826], 7);
    EXPECT_DOUBLE_EQ(store->m_reference[1827], 0);
}

TEST_F(StoreCommandsTest, ProgressIsElapsedOverTotalExposure) {
    store->m_exposure = 100000;  // 1 s
    store->m_scans = 2;
    progressTick(*store);
    EXPECT_EQ(store->m_chartBar.progress, 5);
    progressTick(*store);
    progressTick(*store);
    EXPECT_EQ(store->m_progressTicks, 3);
    EXPECT_EQ(store->m_chartBar.progress, 15);
    for (int i = 0; i < 30; ++i) progressTick(*store);
    EXPECT_EQ(store->m_chartBar.progress, 100);

    store->m_chartBar.progress = 42;
    store->m_exposure = 100;  // exactly 1 ms in all: no progress shown
    store->m_scans = 1;
    progressTick(*store);
    EXPECT_EQ(store->m_chartBar.progress, 42);

    store->m_exposure = 30000000;  // longest exposure, most scans: no overflow
    store->m_scans = 64;
    store->m_progressTicks = 0;
    progressTick(*store);
    EXPECT_EQ(store->m_chartBar.progress, 0);
}

TEST_F(StoreCommandsTest, BoxcarEditIsLimitedTo50) {
    ChartBarState& bar = store->m_chartBar;
    EXPECT_FALSE(commitBoxcarText(*store, "50"));
    EXPECT_EQ(store->m_boxcar, 50);
    EXPECT_EQ(bar.boxcarText, "50");
    commitBoxcarText(*store, "51");
    EXPECT_EQ(store->m_boxcar, 1);
    EXPECT_EQ(bar.boxcarText, "1");
    commitBoxcarText(*store, "2.7");
    EXPECT_EQ(store->m_boxcar, 2);
    commitBoxcarText(*store, "-3");
    EXPECT_EQ(store->m_boxcar, 1);
    EXPECT_EQ(bar.boxcarText, "1");
    EXPECT_TRUE(commitBoxcarText(*store, ""));
    EXPECT_EQ(store->m_boxcar, 1);
}

}  // namespace
}  // namespace halden
