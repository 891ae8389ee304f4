// halden.Spectrometer and halden.devices(): one spectrometer of the device
// library, driven as the window drives it. Each Spectrometer owns its
// settings and calibration (a spectrum store), its binding to one device
// index and an acquisition worker it runs on the calling thread with the
// GIL released. Settings are read and written with the GIL held; an
// acquisition is made from a request built from them, so changing a setting
// while another thread acquires changes the next acquisition only.
#pragma once

#include <pybind11/pybind11.h>

namespace halden::python {

void registerSpectrometer(pybind11::module_& m);

}  // namespace halden::python
