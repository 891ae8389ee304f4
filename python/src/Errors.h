// halden.Error: how the instrument's, the files' and the program's failures
// reach Python. A RuntimeError carrying the program's message and, in .code,
// the device library's result code (0 when the library gave none).
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace halden::python {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, std::int32_t code = 0) : std::runtime_error(message), m_code(code) {}
    std::int32_t code() const { return m_code; }

private:
    std::int32_t m_code;
};

// Defines halden.Error in the module and raises it for every Error thrown
// through a binding.
void registerErrors(pybind11::module_& m);

}  // namespace halden::python
