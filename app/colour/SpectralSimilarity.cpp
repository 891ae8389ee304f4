#include "colour/SpectralSimilarity.h"

#include <cmath>

namespace halden {
namespace {

constexpr int kBins = 30;

constexpr double kWeights[kBins] = {4.0 / 15, 22.0 / 45, 32.0 / 45, 40.0 / 45, 44.0 / 45, 1, 1, 1, 1, 1,
                                    1,        1,         1,         1,         1,         1, 1, 1, 1, 1,
                                    1,        1,         1,         1,         1,         1, 1, 1, 11.0 / 15, 3.0 / 15};

// The 10 nm bins, normalised to sum 1.
void bins(const double* s, double* out) {
    double total = 0;
    for (int i = 0; i < kBins; ++i) {
        const double* b = s + 10 * i;
        double sum = 0.5 * (b[0] + b[10]);
        for (int k = 1; k < 10; ++k) sum += b[k];
        out[i] = sum;
        total += sum;
    }
    for (int i = 0; i < kBins; ++i) out[i] /= total;
}

}  // namespace

double spectralSimilarityIndex(const double* test, const double* reference) {
    double t[kBins], r[kBins], d[kBins];
    bins(test, t);
    bins(reference, r);
    for (int i = 0; i < kBins; ++i) d[i] = (t[i] - r[i]) / (r[i] + 1.0 / 30) * kWeights[i];
    double squares = 0;
    for (int i = 0; i < kBins; ++i) {
        const double c = 0.56 * d[i] + (i > 0 ? 0.22 * d[i - 1] : 0) + (i + 1 < kBins ? 0.22 * d[i + 1] : 0);
        squares += c * c;
    }
    return 100 - 32 * std::sqrt(squares);
}

}  // namespace halden
