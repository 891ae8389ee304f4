// The two halves of similarity() apart, for the tests that check the pairing
// and the metrics each on their own.
#pragma once

#include "database/Similarity.h"

namespace halden {

// Fills scratch.s and scratch.d with the pairs of file against live.
void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch);

// The metric of the pairs in scratch.s and scratch.d, kNoOverlapScore when
// there are none.
double scorePairs(PairScratch& pairs, SimilarityOptions options);

}  // namespace halden
