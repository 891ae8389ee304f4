// The database bar's operations: "Load database" (1069), "Make comparison"
// (1070) and showing the selected entry of list box 1071 as stored curve 1.
//
// Loading and comparing each come in two halves: the work, a function of
// values that may run on any thread (readDatabaseFolder, rankDatabase), and
// the step that writes its result into the database on the database's own
// thread (adoptLoadedFolder, applyRanking). loadDatabaseFolder and
// compareDatabase do both on the calling thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/SpectralDatabase.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

// Receives the progress text shown on button 1070.
using DatabaseProgress = std::function<void(const std::string& buttonText)>;
// Told the entry k of n being loaded ("loading: k / n"), or the files k of n
// scored ("done: k / n").
using StepProgress = std::function<void(int k, int n)>;

std::string loadingText(int k, int n);  // "loading: %d / %d"
std::string doneText(int k, int n);     // "done: %d / %d"
// The list box text of a ranked entry: "%.0f - " and the name ("0", never "-0").
std::string rankedEntryText(double score, const std::string& name);
// The search bar's line for entries left out of the database; empty for 0.
std::string skippedEntriesText(int count);

struct DatabaseLoadSummary {
    int entries = 0;     // entries of the folder taken (at most 20 000)
    int spectra = 0;     // entries with data lines: the database's n
    int skipped = 0;     // sub-folders, special, unreadable and oversized files
    int empty = 0;       // readable files without any data line
    int truncated = 0;   // files holding more data lines than the first 4096 kept
    int leftOut = 0;     // entries after the first 20 000 (never read)
    std::int64_t points = 0;
};

// A folder's entries by name, every entry but "." and "..", at most
// kDatabaseCapacity of them.
struct FolderListing {
    std::string folder;
    std::vector<std::string> names;
    int leftOut = 0;  // entries after the first kDatabaseCapacity
};

// Nothing when the folder cannot be listed; error then says why.
std::optional<FolderListing> listDatabaseFolder(const std::string& folder, std::string* error = nullptr);

// What loading a folder builds: its spectra (the entries with data lines, in
// name order, each with ascending x) and the entries left out.
struct LoadedFolder {
    std::string folder;
    std::vector<std::string> names;
    std::vector<std::int32_t> points;
    std::vector<std::int64_t> offsets;
    std::shared_ptr<DatabasePools> pools;
    std::vector<SkippedEntry> skipped;
    DatabaseLoadSummary summary;
};

// Reads every listed entry; progress(k, n) before entry k (1-based) is read.
// An exception from progress stops the load and is passed on.
LoadedFolder readDatabaseFolder(const FolderListing& listing, const StepProgress& progress = {});

// The start of a load on the database: the folder's path in static 1072, its
// entries in the list, checkbox 1073 set from m_dbNormalize; the database
// held so far is dropped.
void beginDatabaseLoad(SpectralDatabase& db, const FolderListing& listing);

// The loaded spectra become the database in name order and the list shows
// them; the bar tells how many entries were left out.
DatabaseLoadSummary adoptLoadedFolder(SpectralDatabase& db, LoadedFolder&& folder);

// The whole load on the calling thread, progress as button texts. When the
// folder cannot be listed nothing changes and error says why.
std::optional<DatabaseLoadSummary> loadDatabaseFolder(SpectralDatabase& db, const std::string& folder,
                                                      const DatabaseProgress& progress = {},
                                                      std::string* error = nullptr);

// The live spectrum a comparison reads: its own copy, x rising (points whose
// first x is above the last are reversed, as database files are).
struct LiveSpectrum {
    std::vector<double> x, y;
};

LiveSpectrum liveSpectrum(std::vector<double> x, std::vector<double> y);
// A copy of stored curve 0.
LiveSpectrum liveSpectrumOf(const SpectrumStore& store);

// Everything a comparison reads, as values (the pools shared, read-only).
struct ComparisonRequest {
    std::shared_ptr<const DatabasePools> pools;
    std::vector<std::int32_t> points;
    std::vector<std::int64_t> offsets;
    LiveSpectrum live;
    SimilarityOptions options;
};

// Step 1 of "Make comparison": checkbox 1073 and the metric chosen become
// m_dbNormalize and m_dbMetric; the request copies the database's tables.
ComparisonRequest comparisonRequest(SpectralDatabase& db, LiveSpectrum live);

struct DatabaseRanking {
    std::shared_ptr<const DatabasePools> pools;  // the database that was ranked
    std::vector<int> order;                      // database indices, best first
    std::vector<double> scores;                  // in database order
    std::vector<std::int32_t> pairs;             // in database order
};

// Scores every file and ranks them best first (equal scores keep database
// order; NaN ranks last); progress(k, n) as scoreDatabase reports it.
DatabaseRanking rankDatabase(const ComparisonRequest& request, const StepProgress& progress = {}, int threads = 0);

// Reorders the database by the ranking, so that index r is rank r, fills list
// box 1071 with rankedEntryText, sets m_dbCurrent to -1 and the button back
// to "Make comparison". False, and nothing changed, when the database is no
// longer the one ranked.
bool applyRanking(SpectralDatabase& db, const DatabaseRanking& ranking);

// The whole comparison on the calling thread; progress as button texts, with
// m_dbCurrent set to the file being compared.
void compareDatabase(SpectralDatabase& db, LiveSpectrum live, const DatabaseProgress& progress = {});

// Selection k of list box 1071: the file becomes stored curve 1 (scaled to
// curve 0's largest y when checkbox 1073 is on), dropping every curve after
// it. False when k is not an entry.
bool showDatabaseEntry(SpectralDatabase& db, SpectrumStore& store, int k);

}  // namespace halden
