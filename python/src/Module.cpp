// The extension module halden._halden; the package halden re-exports it.
#include <pybind11/pybind11.h>

#include "Compare.h"
#include "Errors.h"
#include "Figures.h"
#include "Plot.h"
#include "Spectrometer.h"
#include "Spectrum.h"

PYBIND11_MODULE(_halden, m) {
    m.doc() = "Bindings over the Halden core; import the package halden.";
    m.attr("__version__") = HALDEN_VERSION;
    // Types, signatures and help() name the package, where users find them.
    const pybind11::object name = m.attr("__name__");
    m.attr("__name__") = "halden";
    halden::python::registerErrors(m);
    halden::python::registerSpectrum(m);
    halden::python::registerSpectrometer(m);
    halden::python::registerFigures(m);
    halden::python::registerCompare(m);
    halden::python::registerPlot(m);
    m.attr("__name__") = name;
}
