// The two halves of similarityScore apart, for the tests that check the
// pairing and the score each on their own.
#pragma once

#include "database/Similarity.h"

namespace halden {

// Fills scratch.s and scratch.d with the pairs of file against live.
void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch);

// The score of the pairs in scratch.s and scratch.d, kNoOverlapScore when
// there are none. With normalize it is computed as s times the largest d
// against d times the largest s, the same ratio without divisions; largest
// values far from 1 in magnitude, and sums that come out non-finite or
// tiny, take the divided form.
double scorePairs(PairScratch& pairs, bool normalize);

}  // namespace halden
