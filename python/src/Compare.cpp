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
#include "files/LineGrammar.h"
#include "spectrum/SpectrumStore.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace halden::python {
namespace {

py::list compare(const Spectrum& sp, const std::filesystem::path& folder, bool normalize, const std::string& metric) {
    if (metric != "score") throw py::value_error("metric must be 'score' (the similarity in per cent), not '" + metric + "'");
    if (sp.points() > kMaxDataLines)
        throw py::value_error(cformat("the comparison takes spectra of at most %zu points; this one has %zu",
                                      kMaxDataLines, sp.points()));
    auto store = std::make_unique<SpectrumStore>();
    SpectrumStore& s = *store;
    std::optional<DatabaseLoadSummary> summary;
    std::string error;
    {
        py::gil_scoped_release unlocked;
        // The spectrum becomes stored curve 0, as halden-cli compare reads its FILE.
        const int count = static_cast<int>(sp.points());
        const std::vector<double> y = sp.values();
        for (int i = 0; i < count; ++i) {
            s.m_storedX[i] = sp.wavelengths()[i];
            s.m_storedY[i] = y[i];
        }
        s.m_storedLength[0] = count - 1;
        s.m_storedLength[1] = -1;
        summary = loadDatabaseFolder(s, folder.string(), {}, &error);
        if (summary) {
            s.m_dbBar.normalizeChecked = normalize;
            compareDatabase(s);
        }
    }
    if (!summary) throw Error(std::string(messages::kOpenFileError) + ": " + error);
    py::list ranked;
    for (int r = 0; r < s.m_dbCount; ++r) ranked.append(py::make_tuple(s.m_dbNames[r + 1], s.m_dbScore[r]));
    return ranked;
}

}  // namespace

void registerCompare(py::module_& m) {
    m.def("compare", &compare, "spectrum"_a, "folder"_a, py::kw_only(), "normalize"_a = false, "metric"_a = "score",
          R"doc(Ranks every file of the folder (in name order; sub-folders and unreadable
files count with no points) against the spectrum's first row, as
`halden-cli compare` and the window's "Make comparison" do, and returns
[(file name, score), ...], best first. The score is the similarity in per
cent: 100 is an identical shape; a file that shares no x range with the
spectrum scores -1000 and ranks last.

normalize: scale both spectra to their largest value first ("Normalize on
maximum intensity"). metric: 'score', the one measure there is.
Raises halden.Error when the folder cannot be listed.
)doc");
}

}  // namespace halden::python
