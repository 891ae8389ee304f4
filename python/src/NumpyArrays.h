// Conversions between NumPy arrays (or any sequence of numbers) and the
// plain vectors the core takes, with the argument checks: a bad argument
// raises TypeError or ValueError naming it.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstddef>
#include <vector>

namespace halden::python {

// A one-dimensional sequence of finite numbers as float64 values.
std::vector<double> finiteVector(pybind11::handle values, const char* name);

// Rows of finite numbers: a one-dimensional sequence is one row, a
// two-dimensional one a row per first index. Returns the values row after
// row; rowCount and columns receive the shape.
std::vector<double> finiteRows(pybind11::handle values, const char* name, int& rowCount, std::size_t& columns);

// New, writable, C-contiguous float64 arrays holding copies of the values.
pybind11::array_t<double> arrayCopy(const std::vector<double>& values);
pybind11::array_t<double> arrayCopy(const double* values, std::size_t count);
pybind11::array_t<double> arrayCopy(const double* values, std::size_t rows, std::size_t columns);

// The same, marked read-only.
pybind11::array_t<double> readOnlyArray(const double* values, std::size_t count);

}  // namespace halden::python
