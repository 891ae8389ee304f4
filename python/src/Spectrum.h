// halden.Spectrum: wavelengths and one or more rows of values (one per
// scan) with the metadata of how they were measured, and the spectrum files
// it is read from and written to. Held as copies: every array handed out is
// a new writable copy, so nothing outside changes a spectrum.
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <vector>

namespace halden::python {

class Spectrum {
public:
    // wavelengths.size() values per row, rowCount rows one after the other.
    Spectrum(std::vector<double> wavelengths, std::vector<double> rows, int rowCount, pybind11::dict metadata);

    const std::vector<double>& wavelengths() const { return m_wavelengths; }
    const std::vector<double>& rows() const { return m_rows; }
    int rowCount() const { return m_rowCount; }
    std::size_t points() const { return m_wavelengths.size(); }
    const double* row(int r) const { return m_rows.data() + static_cast<std::size_t>(r) * points(); }
    std::vector<double> values() const { return {row(0), row(0) + points()}; }
    // A deep copy: changing it changes nothing here.
    pybind11::dict metadata() const;

private:
    std::vector<double> m_wavelengths;
    std::vector<double> m_rows;
    int m_rowCount;
    pybind11::dict m_metadata;
};

void registerSpectrum(pybind11::module_& m);

}  // namespace halden::python
