// The completion steps of a calibration read from the spectrometer's flash,
// shared by the session (window and halden-cli) and the Python module: the
// record is applied to the store and backed up, or, without one, a
// calibration file is asked for, and the irradiance calibration follows the
// identification record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/SpectrumStore.h"

namespace halden {

class Prompt;

// What the last calibration read found in the spectrometer's flash.
enum class FlashRecordState {
    NotRead,     // no read has completed yet
    NoRecord,    // the flash holds no calibration record
    Present,     // a record was read (and backed up when the backup could be written)
    Unreadable,  // pages did not arrive: what the flash holds is unknown
};

struct CalibrationReadOutcome {
    FlashRecordState state = FlashRecordState::NotRead;
    bool recordPresent = false;  // the store holds the record read from flash
    std::string backupPath;      // absolute path of the record's backup file; empty when there is none
    std::array<char, kCalibrationHeaderSize> flashHeader{};  // the identification record, when present
};

// Applies the flash area as read (0xFF where nothing arrived; pagesRead
// pages arrived in order). With a record: its irradiance factor is taken,
// the tables are ordered ascending and the backup file is written to the
// current folder when missing. Without one, or when the flash could not be
// read: the warning, then a calibration file through the prompt's open
// dialog (Cancel leaves the uncalibrated tables). Then Run is enabled and
// the irradiance calibration follows byte 10 of the identification record
// ('Y': calibrated; otherwise unit factors).
CalibrationReadOutcome applyCalibrationRead(SpectrumStore& store, Prompt& prompt,
                                            const std::vector<std::uint8_t>& flash, std::size_t pagesRead);

}  // namespace halden
