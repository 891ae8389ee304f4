#include "database/Similarity.h"

#include <cmath>

namespace halden {

void pairWithLive(const CurveView& live, const CurveView& file, PairScratch& scratch) {
    scratch.s.clear();
    scratch.d.clear();
    if (live.count < 1 || file.count < 1) return;
    const double* xs = live.x;
    const double* ys = live.y;
    const double* xd = file.x;
    const double* yd = file.y;
    const int last = live.count - 1;  // N
    const int m = file.count - 1;
    if (xs[0] >= xd[m] || xs[last] <= xd[0]) return;

    int p = 0;
    for (int i = 0; i < last; ++i) {
        const double lo = xs[i];
        const double hi = xs[i + 1];
        while (xd[p] <= hi && p < m) ++p;
        if (p > 0) --p;
        const double x = xd[p];
        if (lo <= x && x < hi) {
            scratch.s.push_back(ys[i] + (ys[i + 1] - ys[i]) * (x - lo) / (hi - lo));
            scratch.d.push_back(yd[p]);
        }
    }
    if (xd[p] == xs[last]) {
        scratch.s.push_back(ys[last]);
        scratch.d.push_back(yd[p]);
    }
}

namespace {

void divideByLargest(std::vector<double>& v) {
    double largest = -100000.0;
    for (double a : v)
        if (a > largest) largest = a;
    if (largest == 0) return;
    for (double& a : v) a /= largest;
}

}  // namespace

double scorePairs(PairScratch& pairs, bool normalize) {
    if (pairs.s.empty()) return kNoOverlapScore;
    if (normalize) {
        divideByLargest(pairs.s);
        divideByLargest(pairs.d);
    }
    double a = 0;
    double b = 0;
    for (std::size_t k = 0; k < pairs.s.size(); ++k) {
        const double s = pairs.s[k];
        const double d = pairs.d[k];
        a += std::fabs(s - d);
        b += std::sqrt(s * s + d * d);
    }
    const double r = (b != 0) ? a / b : a;
    return 100 - 100 * r;
}

double similarityScore(const CurveView& live, const CurveView& file, bool normalize, PairScratch& scratch) {
    pairWithLive(live, file, scratch);
    return scorePairs(scratch, normalize);
}

}  // namespace halden
