#include "files/ReferenceResampling.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace halden {

bool onSameAxis(const std::vector<double>& x, const double* at, int count, double tolerance) {
    if (x.size() != static_cast<std::size_t>(count)) return false;
    for (int i = 0; i < count; ++i)
        if (!(std::fabs(x[i] - at[i]) <= tolerance)) return false;
    return true;
}

int resampleLinear(const std::vector<double>& x, const std::vector<double>& y, const double* at, int count,
                   double* out, double outside) {
    // The points by rising x (a stable order, so that of equal x the one
    // read last is taken last).
    std::vector<std::size_t> order(x.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return x[a] < x[b]; });
    std::vector<double> xs(x.size()), ys(x.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        xs[k] = x[order[k]];
        ys[k] = y[order[k]];
    }
    int inside = 0;
    for (int i = 0; i < count; ++i) {
        const double t = at[i];
        out[i] = outside;
        if (xs.empty() || !(t >= xs.front() && t <= xs.back())) continue;
        ++inside;
        // The first point above t; t lies in [xs[above - 1], xs[above]).
        const auto above = static_cast<std::size_t>(std::upper_bound(xs.begin(), xs.end(), t) - xs.begin());
        if (above == xs.size()) {
            out[i] = ys.back();  // t is the largest x
            continue;
        }
        const std::size_t below = above - 1;
        out[i] = ys[below] + (ys[above] - ys[below]) * (t - xs[below]) / (xs[above] - xs[below]);
    }
    return inside;
}

}  // namespace halden
