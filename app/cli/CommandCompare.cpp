// halden-cli compare: rank a folder of spectrum files against one spectrum,
// as "Make comparison" ranks the database against the live spectrum.
#include <cstdio>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/SpectrumInput.h"
#include "common/Messages.h"
#include "database/DatabaseCommands.h"
#include "database/Similarity.h"

namespace halden::cli {
namespace {

void printHelp() {
    std::printf(
        "Usage: halden-cli compare FILE FOLDER [--normalize]\n\n"
        "Loads every file of FOLDER (in name order; sub-folders and unreadable files\n"
        "count with no points) as the spectral database, takes the spectrum text file\n"
        "FILE as the live spectrum and ranks the database by similarity, best first.\n"
        "Prints one line per database file as the database list shows it: the score\n"
        "in per cent (\"%%.0f\"), \" - \" and the file name. 100 is an identical shape;\n"
        "a file that shares no x range with FILE scores -1000 and ranks last. A\n"
        "summary goes to stderr.\n\n"
        "Options:\n"
        "  --normalize  scale both spectra to their largest value before scoring\n"
        "               (\"Normalize on maximum intensity\")\n");
}

}  // namespace

int runCompare(const Args& args) {
    if (wantsHelp(args)) {
        printHelp();
        return 0;
    }
    bool normalize = false;
    std::vector<std::string> paths;
    for (const auto& a : args) {
        if (a == "--normalize")
            normalize = true;
        else if (a.rfind("--", 0) == 0)
            return fail("compare: unknown option '" + a + "'");
        else
            paths.push_back(a);
    }
    if (paths.size() != 2) return fail("compare needs FILE and FOLDER (see halden-cli compare --help)");

    std::string error;
    const DataLines live = readSpectrumLines(paths[0], error);
    if (!error.empty()) return fail(error);
    if (live.x.empty()) return fail(paths[0] + ": no data lines");

    auto store = std::make_unique<SpectrumStore>();
    SpectrumStore& s = *store;
    // FILE becomes stored curve 0, as read.
    const int count = static_cast<int>(live.x.size());
    for (int i = 0; i < count; ++i) {
        s.m_storedX[i] = live.x[i];
        s.m_storedY[i] = live.y[i];
    }
    s.m_storedLength[0] = count - 1;
    s.m_storedLength[1] = -1;

    const auto summary = loadDatabaseFolder(s, paths[1], {}, &error);
    if (!summary) return fail(std::string(messages::kOpenFileError) + ": " + error);
    s.m_dbBar.normalizeChecked = normalize;
    compareDatabase(s);

    for (const auto& line : s.m_dbBar.list) std::printf("%s\n", line.c_str());
    std::fflush(stdout);

    int overlapping = 0;
    for (int r = 0; r < s.m_dbCount; ++r)
        if (s.m_dbScore[r] > kNoOverlapScore) ++overlapping;
    std::fprintf(stderr,
                 "compared %d files (%lld points) with %s (%d points%s): %d overlap, %d skipped, "
                 "%d without data lines, %d cut at %zu points",
                 summary->entries, static_cast<long long>(summary->points), paths[0].c_str(), count,
                 live.overflow ? ", cut" : "", overlapping, summary->skipped, summary->empty, summary->truncated,
                 kMaxDataLines);
    if (summary->leftOut > 0) std::fprintf(stderr, "; %d entries after the first %d left out", summary->leftOut,
                                           kDatabaseCapacity);
    std::fprintf(stderr, "\n");
    return 0;
}

}  // namespace halden::cli
