// The view's commands that act on the spectrum store and the chart bar state
// directly: Run, background capture and Subtract, Average, Fast, Snapshot,
// Clear all, pixel axis, reference capture, reading the acquisition settings
// from the chart bar and the progress tick. Each returns what the window or
// session must do next (repaint, timers, start an acquisition).
#pragma once

#include <optional>
#include <string>

#include "spectrum/SpectrumStore.h"

namespace halden {

// What a command asks of its caller. Timer 1 is periodic saving, timer 2 the
// 100 ms acquisition progress.
struct CommandEffects {
    bool repaint = false;
    bool startAcquisition = false;   // call startAcquisition (read settings, post Operation::Acquire)
    bool endAcquisitionWait = false; // the acquisition in flight stops waiting for the device
    bool startProgressTimer = false; // timer 2, 100 ms
    bool stopProgressTimer = false;  // timer 2
    bool stopSaveTimer = false;      // timer 1
    bool startSaveTimer = false;     // timer 1, period saveTimerMs
    int saveTimerMs = 0;
    bool saveOnceNow = false;        // write the selected periodic save kinds once
};

// What starting an acquisition does to the store before the request is
// built: resets the progress ticks, sends exposure 0 as 1 (and keeps it),
// and recomputes m_exposureScaled. Exposure and scans come from the store,
// where the chart bar's edits put them when they are committed.
void readAcquisitionSettings(SpectrumStore& store);

// The chart bar's first texts in force from the start, as if the user had
// committed them; the texts stay as first shown. Run once on a new store.
void commitFirstChartBarTexts(SpectrumStore& store);

// The chart bar's edits, committed (Enter, or the field losing focus): the
// value takes effect at the next acquisition and the edit shows it as
// formatted. Exposure in ms is clamped to 0..300,000 (0.01 ms steps), scans
// to 1..64; a BoxCar outside 0..50 becomes 1. A text that is not a number
// changes nothing: the refusal text is returned and the edit shows the last
// valid value again.
std::optional<std::string> commitExposureText(SpectrumStore& store, const std::string& text);
std::optional<std::string> commitScansText(SpectrumStore& store, const std::string& text);
std::optional<std::string> commitBoxcarText(SpectrumStore& store, const std::string& text);

// "Run" check box. Checked: running, progress timer, start an acquisition.
// Unchecked: stops; when periodic saving was on it is turned off, its counter
// reset, and timers 1 and 2 must stop.
CommandEffects setRun(SpectrumStore& store, bool checked);

// "Get background": request a capture at the next paint.
CommandEffects getBackground(SpectrumStore& store);

// Takes a requested background capture from the live spectrum (when the
// view is settled after a command or a new result). Returns true when a
// capture happened.
bool captureBackgroundIfRequested(SpectrumStore& store);

// The Subtract check box logic, with the box's new check state.
CommandEffects setSubtract(SpectrumStore& store, bool checked);
// Re-applies the Subtract logic with the box's current check state.
void updateSubtractBox(SpectrumStore& store);

CommandEffects setAverage(SpectrumStore& store, bool checked);

// "Fast" check box and the "Fast Acquisition" command.
CommandEffects setFast(SpectrumStore& store, bool checked);

enum class SnapshotOutcome { Added, TooManyCurves, PoolFull, TableDamaged };
struct SnapshotResult {
    SnapshotOutcome outcome = SnapshotOutcome::Added;
    int curve = -1;  // index of the new curve when added
    CommandEffects effects;
};
// Appends the live spectrum as a stored curve; refuses when the table would
// hold more than 99 curves or the pool more than 1,000,000 points.
SnapshotResult snapshot(SpectrumStore& store);
// The curve-list name of snapshot number: "Snapshot 3, 12:01:05", with the
// local time the shown spectrum was measured.
std::string snapshotName(int number, const LiveAcquisition& shown);
// A one-line text for a refused snapshot (empty for Added).
std::string snapshotRefusalText(SnapshotOutcome outcome);

// "Clear All snapped and loaded spectra": keeps only curve 0, hides the
// Gaussian result.
CommandEffects clearAllStored(SpectrumStore& store);

// "Get data without calibration": pixel axis, unit sensitivity and
// irradiance calibration.
CommandEffects useDataWithoutCalibration(SpectrumStore& store);

// "Get source spectra": the live spectrum becomes the reference.
CommandEffects getSourceSpectra(SpectrumStore& store);

// The chart bar's values kept between sessions: the edits' committed texts
// and the Average, auto Y and Log scale boxes.
struct ChartBarValues {
    std::string exposure, scans, boxcar;
    bool average = true, autoY = false, logScale = false;
};
ChartBarValues chartBarValues(const SpectrumStore& store);
// Puts kept values back as if the user had committed and checked them; a
// text that does not read (an edited settings file) keeps the default.
void restoreChartBarValues(SpectrumStore& store, const ChartBarValues& values);

// One 100 ms tick of the acquisition progress timer.
void progressTick(SpectrumStore& store);

}  // namespace halden
