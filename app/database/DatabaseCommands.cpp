#include "database/DatabaseCommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numeric>

#include "database/DatabaseFile.h"
#include "database/DatabaseScoring.h"
#include "database/FolderLoader.h"
#include "files/LineGrammar.h"
#include "spectrum/StoredCurves.h"

namespace halden {

CurveView databaseFile(const SpectralDatabase& db, int k) {
    const std::int64_t offset = db.m_dbOffsets[k];
    return {db.m_dbPools->x.data() + offset, db.m_dbPools->y.data() + offset, db.m_dbPoints[k]};
}

namespace {

std::string stepText(const char* what, int k, int n) {
    char text[64];
    std::snprintf(text, sizeof text, "%s: %d / %d", what, k, n);
    return text;
}

const char* skipReason(FileRead read) {
    switch (read) {
    case FileRead::NotRegular: return "not a regular file";
    case FileRead::TooLarge: return "too large";
    case FileRead::Unreadable: return "unreadable";
    case FileRead::Ok: break;
    }
    return "no data lines";
}

// Best first; equal scores keep database order (the sort is stable). NaN,
// which an infinite value can produce, ranks after everything.
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

std::string loadingText(int k, int n) { return stepText("loading", k, n); }

std::string doneText(int k, int n) { return stepText("done", k, n); }

std::string rankedEntryText(double score, const std::string& name) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", score);
    // A score just below zero rounds to "-0".
    if (std::strcmp(text, "-0") == 0) std::strcpy(text, "0");
    return text + (" - " + name);
}

std::string skippedEntriesText(int count) {
    if (count <= 0) return {};
    return std::to_string(count) + (count == 1 ? " entry" : " entries") + " without spectrum data skipped";
}

std::optional<FolderListing> listDatabaseFolder(const std::string& folder, std::string* error) {
    namespace fs = std::filesystem;
    FolderListing listing;
    listing.folder = folder;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        listing.names.push_back(it->path().filename().string());
    if (ec) {
        if (error) *error = folder + ": " + ec.message();
        return std::nullopt;
    }
    std::sort(listing.names.begin(), listing.names.end());
    if (listing.names.size() > static_cast<std::size_t>(kDatabaseCapacity)) {
        listing.leftOut = static_cast<int>(listing.names.size()) - kDatabaseCapacity;
        listing.names.resize(kDatabaseCapacity);
    }
    return listing;
}

LoadedFolder readDatabaseFolder(const FolderListing& listing, const StepProgress& progress) {
    LoadedFolder out;
    out.folder = listing.folder;
    const int n = static_cast<int>(listing.names.size());
    DatabaseLoadSummary& summary = out.summary;
    summary.entries = n;
    summary.leftOut = listing.leftOut;

    // No file keeps more than kMaxDataLines points, so pools of that size
    // are never outgrown; sizing them writes nothing, and pages that are
    // never written are never backed by memory.
    out.pools = std::make_shared<DatabasePools>();
    const std::size_t need = static_cast<std::size_t>(n) * kMaxDataLines;
    sizePool(out.pools->x, need);
    sizePool(out.pools->y, need);

    // Loader threads and this one read the files and fill the pools; this
    // thread alone reports progress and fills the tables, in name order.
    std::int64_t filled = 0;
    {
        FolderLoader loader(listing.folder, listing.names, out.pools->x.data(), out.pools->y.data());
        for (int k = 0; k < n; ++k) {
            if (progress) progress(k + 1, n);
            const FolderEntry file = loader.wait(k);
            const std::string& name = listing.names[static_cast<std::size_t>(k)];
            if (file.read != FileRead::Ok || file.points == 0) {
                ++(file.read != FileRead::Ok ? summary.skipped : summary.empty);
                out.skipped.push_back({name, skipReason(file.read)});
                continue;
            }
            if (file.truncated) ++summary.truncated;
            out.names.push_back(name);
            out.points.push_back(file.points);
            out.offsets.push_back(file.offset);
            filled = file.offset + file.points;
        }
    }
    out.pools->x.resize(static_cast<std::size_t>(filled));
    out.pools->y.resize(static_cast<std::size_t>(filled));
    summary.spectra = static_cast<int>(out.names.size());
    summary.points = filled;
    return out;
}

void beginDatabaseLoad(SpectralDatabase& db, const FolderListing& listing) {
    db.m_dbFolder = listing.folder;
    db.m_dbCount = 0;
    db.m_dbNames.assign(1, std::string());
    db.m_dbPoints.clear();
    db.m_dbOffsets.clear();
    db.m_dbPools.reset();
    db.m_dbScore.clear();
    db.m_dbPairs.clear();
    db.m_dbSkipped.clear();
    db.m_dbCurrent = -1;
    db.m_dbBar.list = listing.names;
    db.m_dbBar.normalizeChecked = db.m_dbNormalize;
    db.m_dbBar.folderText = listing.folder;
    db.m_dbBar.skippedText.clear();
}

DatabaseLoadSummary adoptLoadedFolder(SpectralDatabase& db, LoadedFolder&& folder) {
    const int n = static_cast<int>(folder.names.size());
    db.m_dbFolder = folder.folder;
    db.m_dbCount = n;
    db.m_dbNames.assign(1, std::string());
    db.m_dbNames.insert(db.m_dbNames.end(), folder.names.begin(), folder.names.end());
    db.m_dbPoints = std::move(folder.points);
    db.m_dbOffsets = std::move(folder.offsets);
    db.m_dbPools = std::move(folder.pools);
    db.m_dbScore.assign(n, 0.0);
    db.m_dbPairs.assign(n, 0);
    db.m_dbSkipped = std::move(folder.skipped);
    db.m_dbCurrent = -1;
    db.m_dbBar.list = std::move(folder.names);
    db.m_dbBar.normalizeChecked = db.m_dbNormalize;
    db.m_dbBar.folderText = db.m_dbFolder;
    db.m_dbBar.skippedText = skippedEntriesText(static_cast<int>(db.m_dbSkipped.size()));
    db.m_dbBar.buttonText = kMakeComparisonText;
    return folder.summary;
}

std::optional<DatabaseLoadSummary> loadDatabaseFolder(SpectralDatabase& db, const std::string& folder,
                                                      const DatabaseProgress& progress, std::string* error) {
    const std::optional<FolderListing> listing = listDatabaseFolder(folder, error);
    if (!listing) return std::nullopt;
    beginDatabaseLoad(db, *listing);
    LoadedFolder loaded = readDatabaseFolder(*listing, [&](int k, int n) {
        db.m_dbBar.buttonText = loadingText(k, n);
        if (progress) progress(db.m_dbBar.buttonText);
    });
    const DatabaseLoadSummary summary = adoptLoadedFolder(db, std::move(loaded));
    if (progress) progress(db.m_dbBar.buttonText);
    return summary;
}

LiveSpectrum liveSpectrum(std::vector<double> x, std::vector<double> y) {
    if (!x.empty() && x.front() > x.back()) {
        std::reverse(x.begin(), x.end());
        std::reverse(y.begin(), y.end());
    }
    return {std::move(x), std::move(y)};
}

LiveSpectrum liveSpectrumOf(const SpectrumStore& store) {
    const StoredCurve curve0 = storedCurve0(store);
    return liveSpectrum({curve0.x.begin(), curve0.x.end()}, {curve0.y.begin(), curve0.y.end()});
}

ComparisonRequest comparisonRequest(SpectralDatabase& db, LiveSpectrum live) {
    db.m_dbNormalize = db.m_dbBar.normalizeChecked;
    db.m_dbMetric = db.m_dbBar.metric;
    ComparisonRequest request;
    request.pools = db.m_dbPools;
    request.points = db.m_dbPoints;
    request.offsets = db.m_dbOffsets;
    request.live = std::move(live);
    request.options = {db.m_dbMetric, db.m_dbNormalize};
    return request;
}

DatabaseRanking rankDatabase(const ComparisonRequest& request, const StepProgress& progress, int threads) {
    DatabaseRanking ranking;
    ranking.pools = request.pools;
    const int n = static_cast<int>(request.points.size());
    ranking.scores.assign(n, 0.0);
    ranking.pairs.assign(n, 0);
    if (n > 0 && request.pools) {
        const DatabaseFiles files{request.pools.get(), request.points.data(), request.offsets.data(), n};
        const CurveView live{request.live.x.data(), request.live.y.data(), static_cast<int>(request.live.x.size())};
        scoreDatabase(files, live, request.options, ranking.scores.data(), ranking.pairs.data(),
                      [&](int k) {
                          if (progress) progress(k, n);
                      },
                      threads);
    }
    ranking.order.resize(n);
    std::iota(ranking.order.begin(), ranking.order.end(), 0);
    std::stable_sort(ranking.order.begin(), ranking.order.end(),
                     [&](int a, int b) { return ranksBefore(ranking.scores[a], ranking.scores[b]); });
    return ranking;
}

bool applyRanking(SpectralDatabase& db, const DatabaseRanking& ranking) {
    const int n = db.m_dbCount;
    if (ranking.pools != db.m_dbPools || ranking.order.size() != static_cast<std::size_t>(n)) return false;
    db.m_dbScore = ranking.scores;
    db.m_dbPairs = ranking.pairs;
    permute(db.m_dbScore, ranking.order);
    permute(db.m_dbPairs, ranking.order);
    permute(db.m_dbPoints, ranking.order);
    permute(db.m_dbOffsets, ranking.order);
    permute(db.m_dbNames, ranking.order, 1);

    db.m_dbBar.list.clear();
    db.m_dbBar.list.reserve(n);
    for (int r = 0; r < n; ++r) db.m_dbBar.list.push_back(rankedEntryText(db.m_dbScore[r], db.m_dbNames[r + 1]));
    db.m_dbCurrent = -1;
    db.m_dbBar.buttonText = kMakeComparisonText;
    return true;
}

void compareDatabase(SpectralDatabase& db, LiveSpectrum live, const DatabaseProgress& progress) {
    const ComparisonRequest request = comparisonRequest(db, std::move(live));
    const DatabaseRanking ranking = rankDatabase(request, [&](int k, int n) {
        db.m_dbCurrent = k;
        db.m_dbBar.buttonText = doneText(k, n);
        if (progress) progress(db.m_dbBar.buttonText);
    });
    applyRanking(db, ranking);
    if (progress) progress(db.m_dbBar.buttonText);
}

bool showDatabaseEntry(SpectralDatabase& db, SpectrumStore& s, int k) {
    if (k < 0 || k >= db.m_dbCount) return false;
    db.m_dbNormalize = db.m_dbBar.normalizeChecked;
    db.m_dbCurrent = k;

    const CurveView file = databaseFile(db, k);
    const int count = file.count;
    const StoredCurve live = storedCurve0(s);
    double factor = 1.0;
    if (db.m_dbNormalize) {
        double liveMax = -100000.0;
        for (double v : live.y) liveMax = std::max(liveMax, v);
        double fileMax = -100000.0;
        for (int i = 0; i < count; ++i) fileMax = std::max(fileMax, file.y[i]);
        // A file whose largest value is 0 cannot be scaled; it is shown as stored.
        if (fileMax != 0) factor = liveMax / fileMax;
    }

    const int offset = live.count();
    for (int i = 0; i < count; ++i) {
        s.m_storedX[offset + i] = file.x[i];
        s.m_storedY[offset + i] = db.m_dbNormalize ? file.y[i] * factor : file.y[i];
    }
    s.m_storedCount = 1;
    // The table keeps curve 0 and the entry: scan curves come back after the
    // entry with the next acquisition.
    s.m_liveCurveCount = 1;
    s.m_storedLength[1] = count - 1;
    setStoredCurveColour(s, 1, 200, 300, 400);
    nameStoredCurve(s, 1, CurveKind::Database, k + 1 < static_cast<int>(db.m_dbNames.size()) ? db.m_dbNames[k + 1] : "");
    s.m_storedLength[2] = -1;
    return true;
}

}  // namespace halden
