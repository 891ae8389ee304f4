// The view's spectrum store: every spectrum, axis, calibration array and
// setting of the application as fixed-size members. About 20 MB: allocate it
// once on the heap (std::make_unique<SpectrumStore>()), never on a thread
// stack.
//
// The store belongs to the user-interface thread, its only writer and
// reader. The workers never see it: an acquisition, a flash operation or a
// Gaussian fit is asked for with a request built from the store (values and
// shared read-only arrays) and answered with a result that the
// user-interface thread publishes into the store. m_bufferA / m_bufferB are
// the last two published acquisitions; liveBuffer() is the one shown.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "spectrum/Acquisition.h"
#include "spectrum/StoreSizes.h"
#include "spectrum/StoreStates.h"
#include "spectrum/ZeroedArray.h"

namespace halden {

inline constexpr int kCalibrationHeaderSize = 16;

// The chart bar's controls as the core sees them: the texts of the edits and
// the check/enable state of the boxes. The window mirrors this into widgets.
struct ChartBarState {
    std::string exposureText = "10";  // 1008, ms
    std::string scansText = "1";      // 1009
    std::string exposureLabel = "10"; // 1037
    std::string boxcarText = "0";     // 1011
    bool fastChecked = false;         // 1028
    bool autoYChecked = false;        // 1031
    bool averageChecked = true;       // 1029
    bool logScaleChecked = false;     // 1030
    int progress = 0;                 // 1051, percent
    bool subtractChecked = false, subtractEnabled = false;            // 1032
    bool runChecked = false, runEnabled = false;                      // 1035
    bool chromaticityChecked = false, chromaticityEnabled = false;    // 1043
    bool reflectanceChecked = false, reflectanceEnabled = false;      // 1041 R(%)
    bool transmittanceChecked = false, transmittanceEnabled = false;  // 1040 T(%)
    bool absorbanceChecked = false, absorbanceEnabled = false;        // 1042 ABS
};

struct SpectrumStore {
    SpectrumStore();  // every default of construction, default axis, test pattern
    SpectrumStore(const SpectrumStore&) = delete;
    SpectrumStore& operator=(const SpectrumStore&) = delete;

    // The buffer shown: the acquisition published last.
    double* liveBuffer() { return m_bufferSelect ? m_bufferB.data() : m_bufferA.data(); }
    const double* liveBuffer() const { return m_bufferSelect ? m_bufferB.data() : m_bufferA.data(); }
    // The other buffer, which the next published acquisition replaces.
    double* targetBuffer() { return m_bufferSelect ? m_bufferA.data() : m_bufferB.data(); }

    // Per-point arrays.
    std::array<double, kPointCapacity> m_wavelength{};
    std::array<double, kPointCapacity> m_reference{};
    std::array<double, kPointCapacity> m_background{};
    std::array<double, kPointCapacity> m_sensitivity{};
    std::array<double, kPointCapacity> m_irradianceCal{};

    // Acquisition buffers, 64 rows of 4096.
    ZeroedArray<double, kBufferSize> m_bufferA;
    ZeroedArray<double, kBufferSize> m_bufferB;
    bool m_bufferSelect = true;  // true: m_bufferB is shown
    // The settings and facts of the acquisition shown in liveBuffer().
    LiveAcquisition m_liveAcquisition;

    // Stored-curve table.
    ZeroedArray<double, kStoredPoolSize> m_storedX;
    ZeroedArray<double, kStoredPoolSize> m_storedY;
    std::array<std::int32_t, kStoredSlots> m_storedLength{};
    std::array<std::int32_t, kStoredSlots> m_storedRed{};
    std::array<std::int32_t, kStoredSlots> m_storedGreen{};
    std::array<std::int32_t, kStoredSlots> m_storedBlue{};
    std::array<std::int32_t, kStoredSlots> m_storedVisible{};
    // What each curve is and its name in the curve list and legends ("Live",
    // "Scan 2", "Snapshot 3, 12:01:05", a file name, "Gaussian fit"); they
    // move with the slots.
    std::array<CurveKind, kStoredSlots> m_storedKind{};
    std::array<std::string, kStoredSlots> m_storedName{};
    std::int32_t m_storedCount = 0;
    // Snapshots taken since start or the last "Clear all": numbers their names.
    std::int32_t m_snapshotNumber = 0;
    // The first m_liveCurveCount curves show the live buffer (curve 0, or
    // one curve per scan without averaging); snapshots and loaded curves
    // follow them.
    std::int32_t m_liveCurveCount = 1;

    // Acquisition settings and state.
    std::int32_t m_exposure = 5;  // 0.01 ms units
    std::int32_t m_scans = 1;
    std::int32_t m_blankScans = 0;
    bool m_fast = false;
    bool m_average = true;
    bool m_logScale = false;
    bool m_testMode = false;
    std::uint8_t m_boxcar = 0;
    bool m_applyNorm = true;
    bool m_applyCalibr = true;
    bool m_increasing = false;
    BackgroundState m_backgroundState = BackgroundState::None;
    bool m_subtractBackground = false;
    bool m_referenceStored = false;
    std::int32_t m_ratioMode = 0;  // 0 off, 1 R(%), 2 T(%), 3 ABS
    std::uint16_t m_sensorFirst = 33, m_sensorLast = 3685;
    std::uint16_t m_firstPoint = 0, m_lastPoint = 3652;
    std::uint16_t m_rangeFirst = 0, m_rangeLast = 3652;
    std::int32_t m_lastIndex = 3652;
    double m_xMin = 0, m_xMax = 0;
    double m_yMin = 0, m_yMax = 64000;
    double m_markerX = 0;
    std::int32_t m_markerIndex = 1800;
    std::int32_t m_concentrationPoint = 1800;
    double m_coefA = 949.65802, m_coefB = -0.22976, m_coefC = 7.48705e-06;
    double m_laserWavelength = 532.1;
    bool m_wavenumberAxis = false;
    double m_irradianceFactor = 1.0;
    double m_recordIrradianceFactor = 1.0;
    double m_exposureScaled = 3832;
    bool m_running = false;
    // The next acquisition sends every setting to the device first.
    bool m_resendParameters = true;
    std::int32_t m_progressTicks = 0;
    Operation m_operation = Operation::None;
    std::array<char, kCalibrationHeaderSize> m_calibrationHeader{};
    CalibrationOrigin m_calibrationOrigin = CalibrationOrigin::None;
    bool m_irradianceCalibrated = false;
    bool m_autoY = false;
    bool m_showReport = false;
    std::int32_t m_deviceCount = 0;
    bool m_flashBusy = false;

    // Settings dialog.
    bool m_trigger = false, m_keepTrigger = false;
    bool m_colorBar1 = false, m_colorBar2 = false;
    bool m_showMaxIntensity = false;
    bool m_gridLines = true;
    bool m_showGaussian = false;
    bool m_calcEnergy = false;
    double m_energyLow = 380, m_energyHigh = 760;
    double m_interval1Low = 380, m_interval1High = 490;
    double m_interval2Low = 490, m_interval2High = 580;
    double m_interval3Low = 580, m_interval3High = 760;

    // Trigger dialog and the values handed to the device.
    bool m_trigNone = true, m_trigOptical = false, m_trigExternal = false;
    bool m_trigBothEdges = false, m_trigOneTime = false, m_trigFalling = false;
    bool m_trigOnceAbove = false, m_trigAbove = false, m_trigRising = true;
    bool m_trigOnceBelow = false, m_trigBelow = true, m_trigOnThreshold = false;
    double m_trigIntensity = 2000;
    double m_trigWavelength = 500;
    std::int32_t m_trigMode = 0;  // 0 none, 1 external, 2 optical
    std::uint8_t m_extTrigMode = 0, m_extTrigEdge = 0;
    std::uint8_t m_optTrigMode = 0;
    std::uint16_t m_optTrigPoint = 1850, m_optTrigLevel = 2000;

    // Periodic saving.
    std::string m_saveBaseName;
    std::int32_t m_saveCounter = 0;
    bool m_periodicSave = false;
    std::int32_t m_saveInterval = 1;
    bool m_saveTxt = false, m_saveBmp = false, m_save1nm = false, m_saveNormalized = false;

    // Gaussian approximation.
    double m_gaussAmplitude = 0, m_gaussCenter = 0, m_gaussWidth = 0, m_gaussOffset = 0;
    std::array<double, kGaussCapacity> m_gaussFit{};
    std::array<double, kGaussCapacity> m_gaussX{};
    std::array<double, kGaussCapacity> m_gaussY{};
    bool m_gaussCleared = true;

    // Baseline correction.
    std::int32_t m_baselineWindow = 50;
    std::int32_t m_baselineIterations = 100;

    // Measurement modes.
    double m_molarAbsorptivity = 1.0;
    double m_cuvetteLength = 1.0;
    bool m_showConcentration = false;

    // The chromaticity view.
    bool m_chromaticityView = false;
    double m_diagramScale = 3.5;

    // Chart geometry.
    double m_chartUnit = 14.0;
    int m_clientWidth = 0, m_clientHeight = 0;
    int m_marginLeft = 60, m_marginRight = 10, m_marginTop = 10, m_marginBottom = 30;
    int m_markerPixel = 500;

    ChartBarState m_chartBar;
};

}  // namespace halden
