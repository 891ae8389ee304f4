// The figures of a spectrum, as halden-cli's colour, gauss and baseline
// commands compute them from a spectrum file: the same core functions on
// the spectrum's points.
#pragma once

#include <pybind11/pybind11.h>

namespace halden::python {

void registerFigures(pybind11::module_& m);

}  // namespace halden::python
