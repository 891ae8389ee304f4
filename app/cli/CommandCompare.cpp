// halden-cli compare: rank a folder of spectrum files against one spectrum,
// as "Make comparison" ranks the database against the live spectrum.
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/SpectrumInput.h"
#include "common/Messages.h"
#include "database/DatabaseCommands.h"

namespace halden::cli {
namespace {

void printCompareHelp() {
    std::printf(
        "Usage: halden-cli compare FILE FOLDER [--normalize] [--metric NAME] [--json]\n\n"
        "Loads the spectrum files of FOLDER (in name order) as the spectral database,\n"
        "takes the spectrum text file FILE as the live spectrum and ranks the database\n"
        "by similarity, best first. Entries without data lines (sub-folders, unreadable\n"
        "files, notes, calibration files) are left out and counted as skipped. Prints\n"
        "one line per spectrum as the database list shows it: the score (\"%%.0f\"),\n"
        "\" - \" and the file name. A file that shares no x range with FILE scores -1000\n"
        "and ranks last. A summary goes to stderr.\n\n"
        "Options:\n"
        "  --normalize    scale both spectra to their largest value before scoring\n"
        "                 (\"Normalize on maximum intensity\")\n"
        "  --metric NAME  score (default): 100 - 100 * sum|s - d| / sum sqrt(s^2 + d^2);\n"
        "                 hqi: hit quality index, 100 * (sum s*d)^2 / (sum s^2 * sum d^2);\n"
        "                 pearson: 100 * the Pearson correlation of s and d;\n"
        "                 derivative: 100 * the Pearson correlation of their first\n"
        "                 derivatives (Savitzky-Golay, 21 points, quadratic)\n"
        "  --json         print {\"metric\", \"normalize\", \"files\": [{\"name\", \"score\",\n"
        "                 \"pairs\"}, ...] (best first), \"skipped\": [{\"name\", \"reason\"}, ...]}\n"
        "                 with the scores at full precision\n");
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

void printJson(const SpectralDatabase& db) {
    std::printf("{\"metric\": %s, \"normalize\": %s,\n \"files\": [",
                jsonString(std::string(metricName(db.m_dbMetric))).c_str(), db.m_dbNormalize ? "true" : "false");
    for (int r = 0; r < db.m_dbCount; ++r)
        std::printf("%s\n  {\"name\": %s, \"score\": %s, \"pairs\": %d}", r ? "," : "",
                    jsonString(db.m_dbNames[r + 1]).c_str(), jsonNumber(db.m_dbScore[r]).c_str(), db.m_dbPairs[r]);
    std::printf("%s],\n \"skipped\": [", db.m_dbCount ? "\n " : "");
    for (std::size_t k = 0; k < db.m_dbSkipped.size(); ++k)
        std::printf("%s\n  {\"name\": %s, \"reason\": %s}", k ? "," : "", jsonString(db.m_dbSkipped[k].name).c_str(),
                    jsonString(db.m_dbSkipped[k].reason).c_str());
    std::printf("%s]}\n", db.m_dbSkipped.empty() ? "" : "\n ");
}

}  // namespace

int runCompare(const Args& args) {
    if (wantsHelp(args)) {
        printCompareHelp();
        return 0;
    }
    bool normalize = false, json = false;
    SimilarityMetric metric = SimilarityMetric::Score;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--normalize") {
            normalize = true;
        } else if (a == "--json") {
            json = true;
        } else if (a == "--metric") {
            if (i + 1 >= args.size()) return fail("compare: --metric needs a name (score, hqi, pearson, derivative)");
            const auto named = metricNamed(args[++i]);
            if (!named)
                return fail("compare: unknown metric '" + args[i] + "' (score, hqi, pearson, derivative)");
            metric = *named;
        } else if (a.rfind("--", 0) == 0) {
            return fail("compare: unknown option '" + a + "'");
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) return fail("compare needs FILE and FOLDER (see halden-cli compare --help)");

    std::string error;
    DataLines lines = readSpectrumLines(paths[0], error);
    if (!error.empty()) return fail(error);
    if (lines.x.empty()) return fail(paths[0] + ": no data lines");
    const int count = static_cast<int>(lines.x.size());

    SpectralDatabase db;
    const auto summary = loadDatabaseFolder(db, paths[1], {}, &error);
    if (!summary) return fail(std::string(messages::kOpenFileError) + ": " + error);
    db.m_dbBar.normalizeChecked = normalize;
    db.m_dbBar.metric = metric;
    // FILE is the live spectrum, its x rising as a database file's would be.
    compareDatabase(db, liveSpectrum(std::move(lines.x), std::move(lines.y)));

    if (json)
        printJson(db);
    else
        for (const auto& line : db.m_dbBar.list) std::printf("%s\n", line.c_str());
    std::fflush(stdout);

    int overlapping = 0;
    for (int r = 0; r < db.m_dbCount; ++r)
        if (db.m_dbPairs[r] > 0) ++overlapping;
    std::fprintf(stderr,
                 "compared %d spectra (%lld points) with %s (%d points%s) by %s: %d overlap; %d of %d entries "
                 "skipped (%d without data lines), %d cut at %zu points",
                 summary->spectra, static_cast<long long>(summary->points), paths[0].c_str(), count,
                 lines.overflow ? ", cut" : "", std::string(metricName(metric)).c_str(), overlapping,
                 summary->skipped + summary->empty, summary->entries, summary->empty, summary->truncated,
                 kMaxDataLines);
    if (summary->leftOut > 0)
        std::fprintf(stderr, "; %d entries after the first %d left out", summary->leftOut, kDatabaseCapacity);
    std::fprintf(stderr, "\n");
    return 0;
}

}  // namespace halden::cli
