// The similarity measures a database comparison can rank by. Each works on
// the pairs (s, d) of a file against the live spectrum, s the live value
// interpolated at the file point and d the file's value, after the optional
// normalisation (each side divided by its largest value).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace halden {

enum class SimilarityMetric {
    Score,       // "score": 100 - 100 * sum|s - d| / sum sqrt(s^2 + d^2)
    Hqi,         // "hqi": hit quality index, 100 * (sum s*d)^2 / (sum s^2 * sum d^2)
    Pearson,     // "pearson": 100 * the Pearson correlation of s and d
    Derivative,  // "derivative": 100 * the Pearson correlation of the Savitzky-Golay
                 // first derivatives of s and d over the pair index
};

inline constexpr SimilarityMetric kSimilarityMetrics[] = {SimilarityMetric::Score, SimilarityMetric::Hqi,
                                                          SimilarityMetric::Pearson, SimilarityMetric::Derivative};

// The name of a metric as halden-cli and the search bar's "Metric" choice
// give it: "score", "hqi", "pearson", "derivative".
std::string_view metricName(SimilarityMetric metric);
// The metric of that name, or nothing.
std::optional<SimilarityMetric> metricNamed(std::string_view name);

// Working space of the metrics, reused from file to file (one per thread).
struct MetricScratch {
    std::vector<double> derivatives;  // both sides' derivatives
    std::vector<double> stretches;    // the derivative's rows and running slopes
};

struct SimilarityOptions {
    SimilarityMetric metric = SimilarityMetric::Score;
    bool normalize = false;  // "Normalize on maximum intensity"
};

}  // namespace halden
