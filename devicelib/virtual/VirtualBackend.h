// The virtual spectrometer as a HID backend: N simulated instruments
// (VANTREL_VIRTUAL=N) that answer the instrument's report protocol. The
// device count is read from the environment at every enumerate; the devices
// themselves (their settings, memory and flash) live for the whole process.
// Control from tests goes through VirtualHub.h.
#pragma once

#include "hid/HidBackend.h"

namespace vantrel::virt {

// The process-wide virtual backend.
hid::Backend& virtualBackend();

}  // namespace vantrel::virt
