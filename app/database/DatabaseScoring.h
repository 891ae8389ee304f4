// Scoring every database file against the live spectrum (stored curve 0),
// the work of "Make comparison" before the ranking, spread over threads.
#pragma once

#include "database/DatabaseCommands.h"

namespace halden {

// Fills store.m_dbScore[k] (database order) with similarityScore of file k
// against stored curve 0, normalised or not; each score has the same bits as
// when computed alone. The files are taken in contiguous blocks by up to
// `threads` threads, the calling one among them (0: one per hardware thread,
// fewer for small databases). Progress "done: k / n", k the files scored so
// far, goes to m_dbBar.buttonText and the callback from the calling thread
// only, with m_dbCurrent = k: k = 0 first, then increasing (numbers scored
// elsewhere meanwhile are skipped), ending with n - 1. Nothing is reported
// for an empty database.
void scoreDatabase(SpectrumStore& store, bool normalize, const DatabaseProgress& progress = {}, int threads = 0);

}  // namespace halden
