// The spectral database: the spectra of the loaded folder in database order
// (ranked after a comparison), their scores, the comparison's options and the
// database bar's state. One thread owns it and alone writes it (the
// user-interface thread in the window); the point pools never change once
// loaded, so a comparison running elsewhere reads them through its own
// reference while the window keeps showing entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/PointPool.h"
#include "database/Similarity.h"
#include "database/SimilarityMetric.h"

namespace halden {

inline constexpr int kDatabaseCapacity = 20000;  // entries of a folder taken
inline constexpr const char* kMakeComparisonText = "Make comparison";

// The database bar's controls: list box 1071, the text of button 1070 (which
// also shows progress), static 1072, checkbox 1073, the "Metric" choice and
// the line that tells how many entries were not spectra.
struct DatabaseBarState {
    std::vector<std::string> list;               // 1071
    std::string buttonText = kMakeComparisonText; // 1070
    std::string folderText = "loaded database";  // 1072
    bool normalizeChecked = false;               // 1073 "Normalize on maximum intensity"
    SimilarityMetric metric = SimilarityMetric::Score;  // "Metric"
    std::string skippedText;                     // empty when nothing was skipped
};

// The x and y of every file, file after file.
struct DatabasePools {
    PointPool x, y;
};

// A folder entry that is not in the database, and why.
struct SkippedEntry {
    std::string name;
    std::string reason;  // "not a regular file", "unreadable", "too large", "no data lines"
};

struct SpectralDatabase {
    std::string m_dbFolder;
    std::int32_t m_dbCount = 0;                                   // n, the spectra held
    std::vector<std::string> m_dbNames = std::vector<std::string>(1);  // slot 0 holds no name
    std::vector<std::int32_t> m_dbPoints;
    // Where file k's points start in the pools. Ranking reorders this table
    // instead of moving the points.
    std::vector<std::int64_t> m_dbOffsets;
    std::shared_ptr<const DatabasePools> m_dbPools;
    std::vector<double> m_dbScore;
    std::vector<std::int32_t> m_dbPairs;  // the pairs each score was taken over
    std::vector<SkippedEntry> m_dbSkipped;
    std::int32_t m_dbCurrent = -1;
    bool m_dbNormalize = false;
    SimilarityMetric m_dbMetric = SimilarityMetric::Score;
    DatabaseBarState m_dbBar;
};

// File k's points (database order).
CurveView databaseFile(const SpectralDatabase& db, int k);

}  // namespace halden
