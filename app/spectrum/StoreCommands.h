// The view's commands that act on the spectrum store and the chart bar state
// directly: Run, background capture and Subtract, Average, Fast, Snapshot,
// Clear all, pixel axis, reference capture, reading the acquisition settings
// from the chart bar and the progress tick. Each returns what the window or
// session must do next (repaint, timers, start an acquisition).
#pragma once

#include <string>

#include "spectrum/SpectrumStore.h"

namespace halden {

// What a command asks of its caller. Timer 1 is periodic saving, timer 2 the
// 100 ms acquisition progress.
struct CommandEffects {
    bool repaint = false;
    bool startAcquisition = false;   // call startAcquisition (read settings, post Operation::Acquire)
    bool startProgressTimer = false; // timer 2, 100 ms
    bool stopProgressTimer = false;  // timer 2
    bool stopSaveTimer = false;      // timer 1
    bool startSaveTimer = false;     // timer 1, period saveTimerMs
    int saveTimerMs = 0;
    bool saveOnceNow = false;        // write the selected periodic save kinds once
};

// Steps 1-5 of starting an acquisition: resets the progress ticks, reads the
// exposure and scans edits of the chart bar, clamps them (exposure 0..30,000,000
// in 0.01 ms, scans 1..64), recomputes m_exposureScaled and writes the texts
// back. The caller then posts Operation::Acquire to the worker.
void readAcquisitionSettings(SpectrumStore& store);

// "Run" check box. Checked: running, progress timer, start an acquisition.
// Unchecked: stops; when periodic saving was on it is turned off, its counter
// reset, and timers 1 and 2 must stop.
CommandEffects setRun(SpectrumStore& store, bool checked);

// "Get background": request a capture at the next paint.
CommandEffects getBackground(SpectrumStore& store);

// Takes a requested background capture from the live spectrum (called by the
// paint). Returns true when a capture happened.
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

// One 100 ms tick of the acquisition progress timer.
void progressTick(SpectrumStore& store);

// The chart bar "BoxCar" edit, read at every paint into m_boxcar; values
// outside 0..50 become 1 and the edit is rewritten.
void readBoxcarText(SpectrumStore& store);

}  // namespace halden
