// The "Settings" and "Trigger" dialogs as plain models: the fields they show,
// how they are filled from the store, and how OK writes them back. Also the
// nearest-point search.
#pragma once

#include <string>

#include "common/Prompt.h"
#include "spectrum/SpectrumStore.h"
#include "spectrum/StoreCommands.h"

namespace halden {

// Both dialogs first stop a running acquisition and periodic saving: Run is
// unchecked, m_running cleared, periodic saving turned off (timer 1 stops).
CommandEffects stopForDialog(SpectrumStore& store);

// The "Settings" dialog's controls (edits as text, checks as bools).
struct SettingsFields {
    std::string exposure;        // 1000 "Exposure time (ms)", "%.3f"
    std::string scans;           // 1013 "number of scans"
    std::string blankScans;      // 1006
    std::string sensorFirst;     // 1009 "Tstart pixel" (disabled)
    std::string sensorLast;      // 1010 "Tend pixel" (disabled)
    bool showReport = false;     // 1001 (disabled)
    bool testMode = false;       // 1011 "Test"
    bool trigger = false;        // 1014 (hidden)
    bool keepTrigger = false;    // 1015 (hidden)
    bool average = false;        // 1023
    bool fast = false;           // 1028
    bool colorBar1 = false;      // 1029
    bool colorBar2 = false;      // 1035
    bool applyNorm = false;      // 1012
    bool applyCalibr = false;    // 1033
    bool showMaxIntensity = false;  // 1017
    bool gridLines = false;      // 1034
    bool showGaussian = false;   // 1032 (hidden)
    bool calcEnergy = false;     // 1030 "Calculate"
    std::string energyLow, energyHigh;        // 1002, 1003 "%.1f"
    std::string interval1Low, interval1High;  // 1004, 1005
    std::string interval2Low, interval2High;  // 1007, 1008
    std::string interval3Low, interval3High;  // 1018, 1019
    bool periodicSave = false;   // 1020 "Save data every"
    std::string saveInterval;    // 1021 "seconds"
    bool saveTxt = false, saveBmp = false, save1nm = false, saveNormalized = false;  // 1022, 1024-1026
    std::string irradianceFactor;  // 1027, "%.2E"
    bool saveToFlash = false;    // 1031, no effect
};

SettingsFields settingsFromStore(const SpectrumStore& store);

// OK: reads every field back in the dialog's order with its clamps, updates
// the chart bar, and tells the caller what to do about periodic saving
// (after showing "Save First Spectra" when it is on).
CommandEffects applySettings(SpectrumStore& store, const SettingsFields& fields, Prompt& prompt);

// Cancel: nothing changes but the view repaints.
CommandEffects cancelSettings();

// The "Trigger" dialog.
enum class TriggerSelection { None = 0, External = 1, Optical = 2 };
enum class ExternalEdge { Falling, Rising, Both };
enum class OpticalCondition { Above, Below, OnceBelow, OnceAbove };

struct TriggerFields {
    TriggerSelection selection = TriggerSelection::None;  // 1065, 1062, 1067
    bool falling = false;      // 1061 "trigger on falling edge"
    bool rising = false;       // 1066 "trigger on rising edge"
    bool bothEdges = false;    // 1063 "trigger on falling and rising edge"
    bool oneTime = false;      // 1064 "one time trigger"
    bool above = false;        // 1055 "trigger if above threshold"
    bool below = false;        // 1056 "trigger if below threshold"
    bool onceBelow = false;    // 1058 "one time trigger if below threshold"
    bool onceAbove = false;    // 1060 "one time trigger if above threshold"
    bool onThreshold = false;  // 1057 (hidden)
    std::string wavelength;    // 1068, "%.1f"
    std::string intensity;     // 1069, "%.1f"
};

TriggerFields triggerFromStore(const SpectrumStore& store);
bool externalGroupEnabled(const TriggerFields& fields);
bool opticalGroupEnabled(const TriggerFields& fields);
// Clicking one of the exclusive buttons checks it and clears its siblings.
void selectExternalEdge(TriggerFields& fields, ExternalEdge edge);
void selectOpticalCondition(TriggerFields& fields, OpticalCondition condition);

// OK: copies the selections back and derives the five values handed to the
// device (m_extTrigMode, m_extTrigEdge, m_optTrigMode, m_optTrigPoint,
// m_optTrigLevel).
void applyTrigger(SpectrumStore& store, const TriggerFields& fields);

// Index of the element of a monotonic array (rising or falling) nearest to
// x; a tie goes to the higher index; 0 when n < 1.
int findNearestPoint(double x, int n, const double* a);

}  // namespace halden
