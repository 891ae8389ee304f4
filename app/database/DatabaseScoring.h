// Scoring every database file against the live spectrum, the work of "Make
// comparison" before the ranking, spread over threads. Reads only what it is
// given; writes only the score and pair tables it is given.
#pragma once

#include <cstdint>
#include <functional>

#include "database/Similarity.h"
#include "database/SpectralDatabase.h"

namespace halden {

// The files a comparison scores, in database order: views into pools that
// do not change while it runs.
struct DatabaseFiles {
    const DatabasePools* pools = nullptr;
    const std::int32_t* points = nullptr;
    const std::int64_t* offsets = nullptr;
    int count = 0;
};

// Told k, the files scored so far.
using ScoringProgress = std::function<void(int scored)>;

// Fills scores[k] and pairs[k] with similarity() of file k against live;
// each score has the same bits as when computed alone. The files are taken
// in contiguous blocks by up to `threads` threads, the calling one among them
// (0: one per hardware thread, fewer for small databases). progress is
// called from the calling thread only: k = 0 first, then increasing (numbers
// scored elsewhere meanwhile are skipped), ending with n - 1; nothing for an
// empty database. An exception from progress stops the work and is passed
// on once every thread has stopped.
void scoreDatabase(const DatabaseFiles& files, const CurveView& live, SimilarityOptions options, double* scores,
                   std::int32_t* pairs, const ScoringProgress& progress = {}, int threads = 0);

}  // namespace halden
