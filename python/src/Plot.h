// halden.plot(): spectra drawn on the chart as halden-cli plot draws them.
#pragma once

#include <pybind11/pybind11.h>

namespace halden::python {

void registerPlot(pybind11::module_& m);

}  // namespace halden::python
