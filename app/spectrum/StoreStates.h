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
