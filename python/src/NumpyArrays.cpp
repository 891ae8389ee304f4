#include "NumpyArrays.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace py = pybind11;

namespace halden::python {
namespace {

// NumPy's float64 view of the argument; its own refusal (text, complex
// numbers, ragged lists) comes back naming the argument.
py::array_t<double> asFloat64(py::handle values, const char* name) {
    if (values.is_none()) throw py::type_error(std::string(name) + " must be an array of numbers, not None");
    try {
        py::object array = py::module_::import("numpy").attr("asarray")(values, py::arg("dtype") = "float64");
        auto contiguous = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(array);
        if (!contiguous) throw py::value_error(std::string(name) + " cannot be read as an array of numbers");
        return contiguous;
    } catch (py::error_already_set& e) {
        const std::string why = py::str(e.value());
        if (e.matches(PyExc_TypeError)) throw py::type_error(std::string(name) + " must hold numbers: " + why);
        throw py::value_error(std::string(name) + " must hold numbers: " + why);
    }
}

void requireFinite(const double* values, std::size_t count, const char* name) {
    const double* bad = std::find_if(values, values + count, [](double v) { return !std::isfinite(v); });
    if (bad != values + count)
        throw py::value_error(std::string(name) + " must be finite; element " + std::to_string(bad - values) +
                              " is " + py::repr(py::float_(*bad)).cast<std::string>());
}

}  // namespace

std::vector<double> finiteVector(py::handle values, const char* name) {
    const py::array_t<double> array = asFloat64(values, name);
    if (array.ndim() != 1)
        throw py::value_error(std::string(name) + " must be one-dimensional, not of " + std::to_string(array.ndim()) +
                              " dimensions");
    const auto count = static_cast<std::size_t>(array.shape(0));
    requireFinite(array.data(), count, name);
    return std::vector<double>(array.data(), array.data() + count);
}

std::vector<double> finiteRows(py::handle values, const char* name, int& rowCount, std::size_t& columns) {
    const py::array_t<double> array = asFloat64(values, name);
    if (array.ndim() != 1 && array.ndim() != 2)
        throw py::value_error(std::string(name) + " must be one row (one dimension) or rows (two dimensions), not of " +
                              std::to_string(array.ndim()) + " dimensions");
    rowCount = array.ndim() == 1 ? 1 : static_cast<int>(array.shape(0));
    columns = static_cast<std::size_t>(array.shape(array.ndim() - 1));
    if (rowCount < 1) throw py::value_error(std::string(name) + " holds no row");
    const std::size_t count = static_cast<std::size_t>(rowCount) * columns;
    requireFinite(array.data(), count, name);
    return std::vector<double>(array.data(), array.data() + count);
}

py::array_t<double> arrayCopy(const double* values, std::size_t count) {
    py::array_t<double> array(static_cast<py::ssize_t>(count));
    if (count > 0) std::memcpy(array.mutable_data(), values, count * sizeof(double));
    return array;
}

py::array_t<double> arrayCopy(const std::vector<double>& values) { return arrayCopy(values.data(), values.size()); }

py::array_t<double> arrayCopy(const double* values, std::size_t rows, std::size_t columns) {
    py::array_t<double> array({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)});
    if (rows * columns > 0) std::memcpy(array.mutable_data(), values, rows * columns * sizeof(double));
    return array;
}

py::array_t<double> readOnlyArray(const double* values, std::size_t count) {
    py::array_t<double> array = arrayCopy(values, count);
    array.attr("flags").attr("writeable") = false;
    return array;
}

}  // namespace halden::python
