#include "Spectrum.h"

#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <string>

#include "Errors.h"
#include "NumpyArrays.h"
#include "colour/CFormat.h"
#include "files/AtomicFile.h"
#include "files/LineGrammar.h"
#include "files/SpectrumFileReader.h"
#include "files/SpectrumText.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace halden::python {
namespace {

void requireRising(const std::vector<double>& wavelengths) {
    for (std::size_t i = 1; i < wavelengths.size(); ++i)
        if (!(wavelengths[i] > wavelengths[i - 1]))
            throw py::value_error(cformat("wavelengths must rise: element %zu (%g) is not above element %zu (%g)", i,
                                          wavelengths[i], i - 1, wavelengths[i - 1]));
}

Spectrum makeSpectrum(py::handle wavelengths, py::handle values, py::handle metadata) {
    std::vector<double> x = finiteVector(wavelengths, "wavelengths");
    int rowCount = 0;
    std::size_t columns = 0;
    std::vector<double> rows = finiteRows(values, "values", rowCount, columns);
    if (x.empty()) throw py::value_error("a spectrum needs at least one point");
    if (columns != x.size())
        throw py::value_error(cformat("values hold %zu points per row and wavelengths %zu; they must be as many",
                                      columns, x.size()));
    requireRising(x);
    if (!metadata.is_none() && !py::isinstance<py::dict>(metadata))
        throw py::type_error("metadata must be a dict, not " + py::type::of(metadata).attr("__name__").cast<std::string>());
    py::dict m = metadata.is_none() ? py::dict() : py::module_::import("copy").attr("deepcopy")(metadata);
    return Spectrum(std::move(x), std::move(rows), rowCount, std::move(m));
}

std::string describe(const Spectrum& s) {
    const auto& x = s.wavelengths();
    return cformat("<halden.Spectrum: %zu points, %.3f..%.3f nm, %d row%s>", x.size(), x.front(), x.back(),
                   s.rowCount(), s.rowCount() == 1 ? "" : "s");
}

Spectrum readSpectrum(const std::filesystem::path& path) {
    SpectrumInput in;
    {
        py::gil_scoped_release unlocked;
        in = readSpectrumInput(path.string());
    }
    if (!in.ok()) throw Error(in.error);
    return Spectrum(std::move(in.x), std::move(in.y), 1, py::dict("path"_a = path.string()));
}

void writeSpectrum(const std::filesystem::path& path, const Spectrum& s) {
    if (s.points() > kMaxDataLines)
        throw py::value_error(cformat("a spectrum file holds at most %zu points; this spectrum has %zu", kMaxDataLines,
                                      s.points()));
    // A half-resolution spectrum keeps the layout halden-cli writes it in.
    const py::dict metadata = s.metadata();
    const bool fast = metadata.contains("fast") && py::bool_(metadata["fast"]);
    WriteResult written;
    {
        py::gil_scoped_release unlocked;
        const std::string text = spectrumFileText(s.wavelengths().data(), s.rows().data(),
                                                  static_cast<int>(s.points()), s.rowCount(), s.points(), fast);
        written = writeFileAtomically(path.string(), text);
    }
    if (!written.ok) throw Error("cannot write '" + path.string() + "': " + written.error);
}

}  // namespace

Spectrum::Spectrum(std::vector<double> wavelengths, std::vector<double> rows, int rowCount, py::dict metadata)
    : m_wavelengths(std::move(wavelengths)), m_rows(std::move(rows)), m_rowCount(rowCount),
      m_metadata(std::move(metadata)) {}

py::dict Spectrum::metadata() const { return py::module_::import("copy").attr("deepcopy")(m_metadata); }

void registerSpectrum(py::module_& m) {
    py::class_<Spectrum>(m, "Spectrum", R"doc(A spectrum: wavelengths in nm and one or more rows of values (one per scan),
with the metadata of how it was measured.

Spectrum(wavelengths, values, metadata=None) makes one from any arrays:
wavelengths one-dimensional, finite and strictly rising; values one row of
as many finite numbers, or rows of them (two dimensions, one row per scan);
metadata a dict. The arrays are copied: a spectrum never changes.

Every array it hands out (wavelengths, values, rows) is a new writable
C-contiguous float64 copy, and metadata a new dict.
)doc")
        .def(py::init(&makeSpectrum), "wavelengths"_a, "values"_a, "metadata"_a = py::none())
        .def_property_readonly(
            "wavelengths", [](const Spectrum& s) { return arrayCopy(s.wavelengths()); },
            "The wavelength of every point in nm (1-D float64 array).")
        .def_property_readonly(
            "values", [](const Spectrum& s) { return arrayCopy(s.row(0), s.points()); },
            "The values of the first row, one per wavelength (1-D float64 array).")
        .def_property_readonly(
            "rows",
            [](const Spectrum& s) {
                return arrayCopy(s.rows().data(), static_cast<std::size_t>(s.rowCount()), s.points());
            },
            "Every row, one per scan when the scans were not averaged (2-D float64 array, rows x points).")
        .def_property_readonly("metadata", &Spectrum::metadata,
                               "How the spectrum was measured or where it came from (a new dict).")
        .def("__len__", &Spectrum::points, "The number of points.")
        .def("__repr__", &describe);

    m.def("read_spectrum", &readSpectrum, "path"_a, R"doc(Reads a spectrum text file: the first two numbers of every data line are
the wavelength and the value (the files halden, halden-cli and
write_spectrum save; lines that are not data are skipped). The points keep
the file's order. metadata holds the path.

Raises halden.Error when the file cannot be read, is not a regular file, is
larger than 32 MB or wide (UTF-16) text, or holds no data line or more
than 4096.
)doc");
    m.def("write_spectrum", &writeSpectrum, "path"_a, "spectrum"_a, R"doc(Writes a spectrum text file as halden-cli acquire saves one: per point the
wavelength ("%.3f"), a blank (a tab for a Fast-mode spectrum), then the
value of every row ("%.3f", tab-separated), CR LF line ends. The file is
replaced atomically: a failed write leaves an existing file as it was.
The path is used as given (no extension is added).

Raises ValueError for more than 4096 points (no reader takes such a file)
and halden.Error when the file cannot be written.
)doc");
}

}  // namespace halden::python
