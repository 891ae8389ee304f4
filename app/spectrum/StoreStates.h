// Named values of two coded members of the store: the operation the view
// asks the acquisition worker for (m_operation) and the state of the stored
// background (m_backgroundState). Each enumerator's value is the code itself.
#pragma once

#include <cstdint>

namespace halden {

enum class Operation : std::int32_t {
    None = 0,  // left after an acquisition: names no operation
    Acquire = 1,
    Detect = 5,
    WriteFlash = 10,
    ReadFlash = 20,
};

// Ordered: a background exists from Captured on.
enum class BackgroundState : std::uint8_t {
    None = 0,        // no background
    Requested = 1,   // "Get background": captured at the next paint
    Captured = 2,    // captured, not subtracted
    Subtracted = 3,  // captured and subtracted
};

}  // namespace halden

namespace halden {

// What a stored curve is, for the curve list: the live ones follow every
// acquisition, the others stay until removed or cleared.
enum class CurveKind : std::uint8_t {
    Live = 0,      // the shown acquisition (curve 0, or one curve per scan)
    Snapshot = 1,  // "Snapshot" of the live spectrum
    File = 2,      // a loaded spectrum file
    Database = 3,  // the selected database entry
    Gaussian = 4,  // the Gaussian fit
};

// Where the wavelength calibration in use came from.
enum class CalibrationOrigin : std::uint8_t {
    None = 0,   // the default axis, or "Get data without calibration"
    Flash = 1,  // the record in the spectrometer's flash
    File = 2,   // a calibration file (.clbr)
};

}  // namespace halden
