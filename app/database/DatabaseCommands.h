// The database bar's operations on the store: "Load database" (1069),
// "Make comparison" (1070) and showing the selected entry of list box 1071 as
// stored curve 1. Progress goes to button 1070's text (m_dbBar.buttonText)
// and to the optional callback, once per file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/Prompt.h"
#include "spectrum/SpectrumStore.h"

namespace halden {

inline constexpr const char* kMakeComparisonText = "Make comparison";

// Receives the progress text shown on button 1070.
using DatabaseProgress = std::function<void(const std::string& buttonText)>;

struct DatabaseLoadSummary {
    int entries = 0;      // n, the entries of the database
    int skipped = 0;      // sub-folders and unreadable files, kept with zero points
    int empty = 0;        // readable files without any data line
    int truncated = 0;    // files holding more data lines than the first 4096 kept
    int leftOut = 0;      // entries after the first 20 000 (not part of the database)
    std::int64_t points = 0;
};

// Replaces the database by the folder's entries in name order (every entry
// but "." and ".."; regular files are read, the others keep zero points).
// When the folder cannot be listed nothing changes and error says why.
std::optional<DatabaseLoadSummary> loadDatabaseFolder(SpectrumStore& store, const std::string& folder,
                                                      const DatabaseProgress& progress = {},
                                                      std::string* error = nullptr);

// Button 1069: asks for the folder ("chose directory!"); Cancel changes
// nothing. A folder that cannot be listed shows "UNABLE TO OPEN FILE"
// ("ERROR"). True when a database was loaded.
bool loadDatabase(SpectrumStore& store, Prompt& prompt, const DatabaseProgress& progress = {});

// Button 1070: reads checkbox 1073, scores every file against stored curve 0
// and ranks the database best first (equal scores keep their order), then
// fills list box 1071 with "%.0f - " and the names.
void compareDatabase(SpectrumStore& store, const DatabaseProgress& progress = {});

// The list box text of a ranked entry.
std::string rankedEntryText(double score, const std::string& name);

// Selection k of list box 1071: the file becomes stored curve 1 (scaled to
// curve 0's largest y when checkbox 1073 is on), dropping every curve after
// it. False when k is not an entry.
bool showDatabaseEntry(SpectrumStore& store, int k);

}  // namespace halden
