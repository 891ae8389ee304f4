#include "Compare.h"

#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Errors.h"
#include "Spectrum.h"
#include "colour/CFormat.h"
#include "common/Messages.h"
#include "database/DatabaseCommands.h"
#include "database/Similarity.h"
#include "files/LineGrammar.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace halden::python {
namespace {

py::list compare(const Spectrum& sp, const std::filesystem::path& folder, bool normalize, const std::string& metric) {
    const std::optional<SimilarityMetric> measure = metricNamed(metric);
    if (!measure)
        throw py::value_error("metric must be 'score', 'hqi', 'pearson' or 'derivative', not '" + metric + "'");
    if (sp.points() > kMaxDataLines)
        throw py::value_error(cformat("the comparison takes spectra of at most %zu points; this one has %zu",
                                      kMaxDataLines, sp.points()));
    SpectralDatabase db;
    std::optional<DatabaseLoadSummary> summary;
    std::string error;
    {
        py::gil_scoped_release unlocked;
        summary = loadDatabaseFolder(db, folder.string(), {}, &error);
        if (summary) {
            db.m_dbBar.normalizeChecked = normalize;
            db.m_dbBar.metric = *measure;
            // The spectrum is the live one, as halden-cli compare reads its FILE.
            compareDatabase(db, liveSpectrum(sp.wavelengths(), sp.values()));
        }
    }
    if (!summary) throw Error(std::string(messages::kOpenFileError) + ": " + error);
    py::list ranked;
    for (int r = 0; r < db.m_dbCount; ++r) ranked.append(py::make_tuple(db.m_dbNames[r + 1], db.m_dbScore[r]));
    return ranked;
}

}  // namespace

void registerCompare(py::module_& m) {
    m.def("compare", &compare, "spectrum"_a, "folder"_a, py::kw_only(), "normalize"_a = false, "metric"_a = "score",
          R"doc(Ranks every spectrum file of the folder against the spectrum's first row, as
`halden-cli compare` and the window's "Make comparison" do, and returns
[(file name, score), ...], best first. Entries without spectrum data
(sub-folders, notes, calibration files) are left out. A file that shares no
x range with the spectrum scores -1000 and ranks last.

normalize: scale both spectra to their largest value first ("Normalize on
maximum intensity"). metric: 'score' (100 - 100 sum|s-d| / sum sqrt(s^2+d^2)),
'hqi' (hit quality index), 'pearson' or 'derivative' (correlation of the
Savitzky-Golay first derivatives), all in per cent.
Raises halden.Error when the folder cannot be listed.
)doc");
}

}  // namespace halden::python
