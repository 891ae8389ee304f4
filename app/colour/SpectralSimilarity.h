// The Spectral Similarity Index of the Academy of Motion Picture Arts and
// Sciences: how closely a source's spectrum follows a reference's over
// 375..675 nm, 100 for the same shape.
#pragma once

namespace halden {

inline constexpr int kSimilarityFirstNm = 375;
inline constexpr int kSimilarityPoints = 301;  // 375..675 nm, 1 nm

// From both spectra on the 1 nm grid 375..675: 30 bins of 10 nm (centred
// 380..670 nm, ends weighted half), each spectrum's bins normalised to sum
// 1, relative differences (t - r) / (r + 1/30) weighted down at both ends,
// smoothed by (0.22, 0.56, 0.22); SSI = 100 - 32 sqrt(sum of squares). Not
// rounded (the index is quoted as a whole number).
double spectralSimilarityIndex(const double* test, const double* reference);

}  // namespace halden
