// One acquisition as values that cross threads: the request the
// user-interface thread hands the acquisition worker (the device set-up and
// every conditioning parameter, with shared read-only arrays) and the result
// the worker hands back (its own rows, the request's settings, when it
// completed, and whether it is complete). The store keeps the settings of the
// result it shows, so every figure derived from the shown spectrum uses the
// settings that spectrum was measured with.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/Conditioning.h"
#include "spectrum/StoreSizes.h"
#include "spectrum/StoreStates.h"

namespace halden {

// The device settings of an acquisition, in the form the worker compares
// with what it last sent. The initial values match no real setting, so the
// worker's cache starting with them always configures the device first.
struct DeviceSetup {
    std::int32_t exposure = -1;  // 0.01 ms
    std::int32_t scans = -1;
    bool average = false;
    std::uint8_t extTrigMode = 255, extTrigEdge = 255;
    std::uint8_t optTrigMode = 255;
    std::uint16_t optTrigPoint = 32000, optTrigLevel = 64000;

    bool operator==(const DeviceSetup&) const = default;
    bool triggerArmed() const { return extTrigMode != 0 || optTrigMode != 0; }
};

// Everything an acquisition is made with.
struct AcquisitionSettings {
    DeviceSetup device;
    std::int32_t blankScans = 0;
    ConditioningParams conditioning;
    // Exposure x irradiance factor: what irradiance figures divide by.
    double exposureScaled = 3832;
    // The instrument: its identification record (printable) and the serial
    // that names its calibration (record bytes 10..15).
    std::string identification;
    std::string serial;
    // Where the wavelength calibration came from, and whether the instrument
    // is irradiance-calibrated.
    CalibrationOrigin calibrationOrigin = CalibrationOrigin::None;
    bool irradianceCalibrated = false;
};

struct AcquisitionRequest {
    std::uint64_t id = 0;  // rises with every request; a stop names the ids it ends
    AcquisitionSettings settings;
    bool reconfigure = false;  // send every setting to the device first
};

enum class AcquisitionStatus {
    Complete,     // every frame read and conditioned
    Interrupted,  // stopped before the device was ready: nothing was read
    Failed,       // the device failed; it is configured anew next time
};

struct AcquisitionResult {
    std::uint64_t id = 0;
    AcquisitionSettings settings;
    AcquisitionStatus status = AcquisitionStatus::Failed;
    std::int32_t failure = 0;    // the library result that failed it (-1: a set command)
    std::string failedCommand;   // the device command that failed, when one did
    int rowCount = 0;          // rows, kPointCapacity elements each
    int lastPoint = -1;        // highest point index of every row
    std::vector<double> rows;
    std::chrono::system_clock::time_point completed{};
    std::int32_t saturatedPixels = 0;  // active pixels at full scale, most saturated frame
};

// The data columns of an acquisition's files and live curves: 1 when
// averaged, else one per scan.
int dataColumnsOf(const DeviceSetup& device);

// What the shown acquisition buffer holds: the settings and facts of the
// acquisition last published into it.
struct LiveAcquisition {
    AcquisitionSettings settings;
    bool measured = false;  // false until a result is published (a test pattern is shown)
    int rowCount = 1;
    int lastPoint = kSpectrumPoints - 1;
    std::chrono::system_clock::time_point completed{};
    std::int32_t saturatedPixels = 0;

    bool fast() const { return settings.conditioning.fast; }
    double exposureScaled() const { return settings.exposureScaled; }
    // Data columns of the files and the live curves: 1 when averaged.
    int columns() const;
};

}  // namespace halden
