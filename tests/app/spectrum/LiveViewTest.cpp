// The derived view state brought up to date after a result or a command:
// live curves from the shown acquisition, background capture, auto Y and the
// maximum marker.
#include <gtest/gtest.h>

#include <memory>

#include "spectrum/LiveView.h"
#include "spectrum/StoreCommands.h"
#include "spectrum/StoredCurves.h"

namespace halden {
namespace {

// The live buffer's row r point i = 1000 r + i.
void fillLive(SpectrumStore& s) {
    double* live = s.liveBuffer();
    for (int r = 0; r < 5; ++r)
        for (int i = 0; i < kPointCapacity; ++i) live[r * kPointCapacity + i] = 1000.0 * r + i;
}

// The shown acquisition as it was taken: scans (0 = averaged) and Fast.
void shown(SpectrumStore& s, int scans, bool fast) {
    LiveAcquisition& live = s.m_liveAcquisition;
    live.settings.device.average = scans == 0;
    live.settings.device.scans = scans == 0 ? 1 : scans;
    live.settings.conditioning.fast = fast;
    live.rowCount = scans == 0 ? 1 : scans;
    live.lastPoint = fast ? 1826 : 3652;
}

TEST(LiveView, SizeAndMarginsFollowTheClient) {
    auto s = std::make_unique<SpectrumStore>();
    updateClientSize(*s, 1280, 800);
    EXPECT_EQ(s->m_marginLeft, 96);
    EXPECT_EQ(s->m_marginRight, 32);
    EXPECT_EQ(s->m_marginTop, 32);
    EXPECT_EQ(s->m_marginBottom, 28);
}

TEST(LiveView, FastCurveShowsEachPointAtItsOwnWavelengthAndKeepsTheStoredCurves) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    settleView(*s);
    EXPECT_EQ(s->m_storedLength[0], 3652);
    EXPECT_DOUBLE_EQ(s->m_storedY[100], 100);
    EXPECT_DOUBLE_EQ(s->m_storedX[100], s->m_wavelength[100]);
    ASSERT_EQ(snapshot(*s).outcome, SnapshotOutcome::Added);  // curve 1 at 3653..7305
    const double firstY = s->m_storedY[3653], lastY = s->m_storedY[7305];

    // Fast switched on is not yet a Fast spectrum: nothing changes.
    s->m_fast = true;
    settleView(*s);
    EXPECT_EQ(s->m_storedLength[0], 3652);

    shown(*s, 0, true);
    settleView(*s);
    EXPECT_EQ(s->m_storedLength[0], 1825);
    EXPECT_DOUBLE_EQ(s->m_storedX[10], s->m_wavelength[20]);
    EXPECT_DOUBLE_EQ(s->m_storedY[10], 10);  // point 10 of the half-resolution spectrum
    // Curve 1 now starts at 1826 and still holds its own points.
    EXPECT_EQ(s->m_storedLength[1], 3652);
    EXPECT_DOUBLE_EQ(s->m_storedY[1826], firstY);
    EXPECT_DOUBLE_EQ(s->m_storedY[1826 + 3652], lastY);

    shown(*s, 0, false);
    settleView(*s);
    EXPECT_DOUBLE_EQ(s->m_storedY[3653], firstY);
}

// Scan curves of a run without averaging used to stay on the chart after
// averaging was switched back on, and a snapshot taken meanwhile was lost.
TEST(LiveView, ScanCurvesComeAndGoWithTheAcquisitionAndSnapshotsStay) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    shown(*s, 5, false);
    settleView(*s);
    EXPECT_EQ(s->m_liveCurveCount, 5);
    EXPECT_EQ(s->m_storedLength[4], 3652);
    EXPECT_EQ(s->m_storedLength[5], -1);
    EXPECT_DOUBLE_EQ(s->m_storedY[2 * 3653 + 5], 2005);
    EXPECT_DOUBLE_EQ(s->m_storedX[2 * 3653 + 5], s->m_wavelength[5]);
    EXPECT_EQ(s->m_storedRed[1], 255);
    EXPECT_EQ(s->m_storedGreen[2], 255);
    EXPECT_EQ(s->m_storedBlue[3], 255);
    ASSERT_EQ(snapshot(*s).outcome, SnapshotOutcome::Added);
    EXPECT_EQ(s->m_storedLength[6], -1);
    const double snapped = s->m_storedY[5 * 3653 + 42];
    EXPECT_EQ(s->m_storedName[4], "Scan 5");
    const std::string snapshotName = s->m_storedName[5];
    EXPECT_EQ(snapshotName.rfind("Snapshot 1, ", 0), 0u);
    setStoredCurveVisible(*s, 5, false);  // hidden by the user

    shown(*s, 0, false);
    settleView(*s);
    EXPECT_EQ(s->m_liveCurveCount, 1);
    EXPECT_EQ(s->m_storedLength[1], 3652);  // the snapshot, moved up
    EXPECT_EQ(s->m_storedLength[2], -1);    // no scan curve left
    // Its name, kind and hidden state moved with it; curve 0 is "Live" again.
    EXPECT_EQ(s->m_storedName[1], snapshotName);
    EXPECT_EQ(s->m_storedKind[1], CurveKind::Snapshot);
    EXPECT_EQ(s->m_storedVisible[1], 0);
    EXPECT_EQ(s->m_storedName[0], "Live");
    EXPECT_DOUBLE_EQ(s->m_storedY[3653 + 42], snapped);
    EXPECT_EQ(s->m_storedRed[0], 0);

    shown(*s, 3, false);
    settleView(*s);
    EXPECT_EQ(s->m_storedLength[3], 3652);
    EXPECT_EQ(s->m_storedLength[4], -1);
    EXPECT_DOUBLE_EQ(s->m_storedY[3 * 3653 + 42], snapped);
}

TEST(LiveView, BackgroundAutoYAndMaximumMarker) {
    auto s = std::make_unique<SpectrumStore>();
    fillLive(*s);
    s->m_backgroundState = BackgroundState::Requested;
    s->m_autoY = true;
    s->m_showMaxIntensity = true;
    s->m_xMin = s->m_wavelength[0];
    s->m_xMax = s->m_wavelength[2000];
    settleView(*s);
    EXPECT_EQ(s->m_backgroundState, BackgroundState::Captured);
    EXPECT_DOUBLE_EQ(s->m_background[7], 7);
    EXPECT_DOUBLE_EQ(s->m_yMin, -1.0);
    EXPECT_DOUBLE_EQ(s->m_yMax, -1.0);
    EXPECT_EQ(s->m_markerIndex, 2000);  // largest y inside the x range
}

}  // namespace
}  // namespace halden
