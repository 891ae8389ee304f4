// The store's side of an acquisition: the request built from its settings
// when an acquisition starts, and the publication of a complete result,
// which makes it the shown spectrum. Both run on the user-interface thread.
#pragma once

#include <cstdint>

#include "spectrum/Acquisition.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

// The store's device settings in the worker's form.
DeviceSetup currentSetup(const SpectrumStore& store);

// The store's conditioning settings, with copies of the arrays they use.
ConditioningParams currentConditioning(const SpectrumStore& store);

// Every setting of the next acquisition: the device set-up, the blank scans,
// the conditioning, the exposure scale and the instrument's names.
AcquisitionSettings currentAcquisitionSettings(const SpectrumStore& store);

// A request with id for the next acquisition; reconfigure is
// m_resendParameters.
AcquisitionRequest makeAcquisitionRequest(const SpectrumStore& store, std::uint64_t id);

// Publishes a complete result: its rows replace the buffer not shown, which
// then becomes the shown one, its settings become m_liveAcquisition, and the
// live curves show it. Results that are not complete change nothing and
// return false.
bool publishAcquisition(SpectrumStore& store, const AcquisitionResult& result);

// The live buffer now holds a spectrum that was loaded, not acquired: one
// averaged full-resolution row with points 0..lastPoint, taken with the
// store's settings.
void markLiveBufferLoaded(SpectrumStore& store, int lastPoint);

// The printable identification record and the serial (bytes 10..15) of the
// store's calibration header; the serial is empty without a record.
std::string identificationText(const SpectrumStore& store);
std::string instrumentSerial(const SpectrumStore& store);

}  // namespace halden
