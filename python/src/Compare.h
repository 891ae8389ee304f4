// halden.compare(): the spectral database comparison, bound in this one
// place as halden-cli compare runs it.
#pragma once

#include <pybind11/pybind11.h>

namespace halden::python {

void registerCompare(pybind11::module_& m);

}  // namespace halden::python
