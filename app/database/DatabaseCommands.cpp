#include "database/DatabaseCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numeric>

#include "common/Messages.h"
#include "database/DatabaseFile.h"
#include "database/DatabaseScoring.h"
#include "database/FolderLoader.h"
#include "database/Similarity.h"
#include "files/LineGrammar.h"
#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

std::string progressText(const char* what, int k, int n) {
    char text[64];
    std::snprintf(text, sizeof text, "%s: %d / %d", what, k, n);
    return text;
}

void report(SpectrumStore& s, const DatabaseProgress& progress, std::string text) {
    s.m_dbBar.buttonText = std::move(text);
    if (progress) progress(s.m_dbBar.buttonText);
}

// The folder's entries by name; false when it cannot be listed.
bool listFolder(const std::string& folder, std::vector<std::string>& names, std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    names.clear();
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().string());
    if (ec) {
        if (error) *error = folder + ": " + ec.message();
        return false;
    }
    std::sort(names.begin(), names.end());
    return true;
}

// Shrinks the pools to the points filled when it goes out of scope.
struct PoolTrim {
    SpectrumStore& s;
    const std::int64_t& filled;
    PoolTrim(SpectrumStore& store, const std::int64_t& points) : s(store), filled(points) {}
    PoolTrim(const PoolTrim&) = delete;
    PoolTrim& operator=(const PoolTrim&) = delete;
    ~PoolTrim() {
        s.m_dbX.resize(static_cast<std::size_t>(filled));
        s.m_dbY.resize(static_cast<std::size_t>(filled));
    }
};

}  // namespace

std::optional<DatabaseLoadSummary> loadDatabaseFolder(SpectrumStore& s, const std::string& folder,
                                                      const DatabaseProgress& progress, std::string* error) {
    std::vector<std::string> names;
    if (!listFolder(folder, names, error)) return std::nullopt;

    DatabaseLoadSummary summary;
    if (names.size() > static_cast<std::size_t>(kDatabaseCapacity)) {
        summary.leftOut = static_cast<int>(names.size()) - kDatabaseCapacity;
        names.resize(kDatabaseCapacity);
    }
    const int n = static_cast<int>(names.size());
    summary.entries = n;

    s.m_dbFolder = folder;
    s.m_dbCount = n;
    s.m_dbNames.assign(1, std::string());
    s.m_dbNames.insert(s.m_dbNames.end(), names.begin(), names.end());
    s.m_dbPoints.assign(n, 0);
    s.m_dbOffsets.assign(n, 0);
    s.m_dbScore.assign(n, 0.0);
    s.m_dbCurrent = -1;

    s.m_dbBar.list.assign(s.m_dbNames.begin() + 1, s.m_dbNames.end());
    s.m_dbBar.normalizeChecked = s.m_dbNormalize;
    s.m_dbBar.folderText = folder;

    // No file keeps more than kMaxDataLines points, so pools of that size
    // are never outgrown; sizing them writes nothing, and pages that are
    // never written are never backed by memory.
    const std::size_t need = static_cast<std::size_t>(n) * kMaxDataLines;
    sizePool(s.m_dbX, need);
    sizePool(s.m_dbY, need);

    // Loader threads and this one read the files and fill the pools; this
    // thread alone reports progress and fills the tables, in name order.
    std::int64_t filled = 0;
    // However the load ends, the pools end with the last file taken (the
    // files not reached keep zero points); the loader's threads are gone by
    // then.
    const PoolTrim trim{s, filled};
    FolderLoader loader(folder, names, s.m_dbX.data(), s.m_dbY.data());
    for (int k = 0; k < n; ++k) {
        report(s, progress, progressText("loading", k + 1, n));
        const FolderEntry file = loader.wait(k);
        s.m_dbOffsets[k] = file.offset;
        if (file.read != FileRead::Ok) {
            ++summary.skipped;
            continue;
        }
        if (file.truncated) ++summary.truncated;
        if (file.points == 0) ++summary.empty;
        s.m_dbPoints[k] = file.points;
        filled = file.offset + file.points;
    }
    summary.points = filled;
    report(s, progress, kMakeComparisonText);
    return summary;
}

bool loadDatabase(SpectrumStore& s, Prompt& prompt, const DatabaseProgress& progress) {
    const std::optional<std::string> folder = prompt.chooseFolder();
    if (!folder) return false;
    if (!loadDatabaseFolder(s, *folder, progress)) {
        prompt.showMessage(messages::kOpenFileError, messages::kCaptionErrorUpper);
        return false;
    }
    return true;
}

std::string rankedEntryText(double score, const std::string& name) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f - ", score);
    return text + name;
}

namespace {

// Best first; equal scores keep database order (the sort is stable). NaN,
// which an infinite value in a file can produce, ranks after everything.
bool ranksBefore(double a, double b) {
    if (std::isnan(b)) return !std::isnan(a);
    return a > b;
}

template <class T>
void permute(std::vector<T>& v, const std::vector<int>& order, std::size_t first = 0) {
    std::vector<T> out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < first; ++i) out.push_back(std::move(v[i]));
    for (int k : order) out.push_back(std::move(v[first + k]));
    v = std::move(out);
}

}  // namespace

void compareDatabase(SpectrumStore& s, const DatabaseProgress& progress) {
    s.m_dbNormalize = s.m_dbBar.normalizeChecked;
    const int n = s.m_dbCount;
    scoreDatabase(s, s.m_dbNormalize, progress);

    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return ranksBefore(s.m_dbScore[a], s.m_dbScore[b]); });
    permute(s.m_dbScore, order);
    permute(s.m_dbPoints, order);
    permute(s.m_dbOffsets, order);
    permute(s.m_dbNames, order, 1);

    s.m_dbBar.list.clear();
    s.m_dbBar.list.reserve(n);
    for (int r = 0; r < n; ++r) s.m_dbBar.list.push_back(rankedEntryText(s.m_dbScore[r], s.m_dbNames[r + 1]));
    s.m_dbCurrent = -1;
    report(s, progress, kMakeComparisonText);
}

bool showDatabaseEntry(SpectrumStore& s, int k) {
    if (k < 0 || k >= s.m_dbCount) return false;
    s.m_dbNormalize = s.m_dbBar.normalizeChecked;
    s.m_dbCurrent = k;

    const int count = s.m_dbPoints[k];
    const double* x = s.m_dbX.data() + s.m_dbOffsets[k];
    const double* y = s.m_dbY.data() + s.m_dbOffsets[k];
    const StoredCurve live = storedCurve0(s);
    double factor = 1.0;
    if (s.m_dbNormalize) {
        double liveMax = -100000.0;
        for (double v : live.y) liveMax = std::max(liveMax, v);
        double fileMax = -100000.0;
        for (int i = 0; i < count; ++i) fileMax = std::max(fileMax, y[i]);
        // A file whose largest value is 0 cannot be scaled; it is shown as stored.
        if (fileMax != 0) factor = liveMax / fileMax;
    }

    const int offset = live.count();
    for (int i = 0; i < count; ++i) {
        s.m_storedX[offset + i] = x[i];
        s.m_storedY[offset + i] = s.m_dbNormalize ? y[i] * factor : y[i];
    }
    s.m_storedCount = 1;
    s.m_storedLength[1] = count - 1;  // -1 for an entry without points: curve 0 alone
    setStoredCurveColour(s, 1, 200, 300, 400);
    nameStoredCurve(s, 1, CurveKind::Database, k + 1 < static_cast<int>(s.m_dbNames.size()) ? s.m_dbNames[k + 1] : "");
    if (count > 0) s.m_storedLength[2] = -1;
    return true;
}

}  // namespace halden
