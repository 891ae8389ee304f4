#include "Errors.h"

namespace py = pybind11;

namespace halden::python {

void registerErrors(py::module_& m) {
    // Never destroyed: the type outlives every module that might raise it,
    // also while the interpreter shuts down.
    static auto* type = new py::exception<Error>(m, "Error", PyExc_RuntimeError);
    type->attr("__doc__") =
        "A failure of the spectrometer, a file or the program.\n\n"
        "str(error) is the program's message; error.code is the device library's\n"
        "result code (for example 501: no spectrometer at that position, 505: no\n"
        "reply in time, 1..255: the status a refused setting was answered with),\n"
        "0 when the library gave none.";
    type->attr("code") = 0;
    py::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised) std::rethrow_exception(raised);
        } catch (const Error& e) {
            py::object error = py::reinterpret_borrow<py::object>(type->ptr())(e.what());
            error.attr("code") = e.code();
            PyErr_SetObject(type->ptr(), error.ptr());
        }
    });
}

}  // namespace halden::python
