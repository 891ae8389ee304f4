#include "spectrum/Baseline.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "spectrum/DialogText.h"

namespace halden {

namespace {

// One smoothing pass of Y[1..n] into S[1..n] with half-width h (2h + 1 <= n):
// windows centred on their point that grow from the left end, a running mean
// in the middle, and the same growing windows mirrored at the right end.
// R and T are working arrays of at least 2h + 2 entries for the right end.
void smoothPass(const double* Y, double* S, double* R, double* T, int n, int h) {
    S[1] = Y[1];
    for (int k = 2; k <= h + 1; ++k)
        S[k] = ((2.0 * k - 3) * S[k - 1] + Y[2 * k - 2] + Y[2 * k - 1]) / (2.0 * k - 1);
    const double width = 2.0 * h + 1;
    for (int k = h + 2; k <= n - h; ++k) S[k] = S[k - 1] + (Y[k + h] - Y[k - h - 1]) / width;

    for (int m = 1; m <= 2 * h + 1; ++m) R[m] = Y[n - m + 1];
    T[1] = R[1];
    S[n] = T[1];
    for (int j = 2; j <= h + 1; ++j) {
        T[j] = ((2.0 * j - 3) * T[j - 1] + R[2 * j - 2] + R[2 * j - 1]) / (2.0 * j - 1);
        S[n - j + 1] = T[j];
    }
}

}  // namespace

std::int64_t baselineHalfWidth(std::int64_t window) {
    if (window <= 0) return 0;
    if (window % 2 != 0) ++window;
    return window / 2;
}

void estimateBaseline(double* y, int n, std::int64_t window, std::int64_t iterations) {
    if (n < 1) return;
    const std::int64_t fits = (n - 1) / 2;  // largest half-width with 2h + 1 <= n
    const int h = static_cast<int>(std::min(baselineHalfWidth(window), fits));
    const int firstH = static_cast<int>(std::min<std::int64_t>(kFirstPassHalfWidth, fits));

    const std::size_t size = static_cast<std::size_t>(n) + 2;
    std::vector<double> Y(size), S(size), P(size), R(size), T(size);
    std::copy(y + 1, y + n + 1, Y.begin() + 1);
    for (std::int64_t t = 1; t <= iterations; ++t) {
        smoothPass(Y.data(), S.data(), R.data(), T.data(), n, t == 1 ? firstH : h);
        if (t == 1) {
            std::copy(S.begin() + 1, S.begin() + n + 1, P.begin() + 1);
        } else {
            for (int k = 1; k <= n; ++k)
                if (S[k] > y[k]) S[k] = P[k];
        }
        std::swap(Y, S);
    }
    for (int k = 1; k <= n; ++k) y[k] -= Y[k];
    y[0] = y[1];
}

BaselineDialog openBaselineDialog(const SpectrumStore& store) {
    BaselineDialog d;
    d.windowText = formatInt(store.m_baselineWindow);
    d.iterationsText = formatInt(store.m_baselineIterations);
    return d;
}

void clickFromLoaded(BaselineDialog& dialog) {
    dialog.fromLoaded = true;
    dialog.fromCollected = false;
}

void clickFromCollected(BaselineDialog& dialog) {
    dialog.fromCollected = true;
    dialog.fromLoaded = false;
}

BaselineEffects runBaselineCorrection(SpectrumStore& store, const BaselineDialog& dialog, bool processed) {
    BaselineEffects fx;
    if (!processed) return fx;
    constexpr long long lo = INT32_MIN, hi = INT32_MAX;
    store.m_baselineWindow = static_cast<std::int32_t>(truncClamp(parseDecimal(dialog.windowText), lo, hi));
    store.m_baselineIterations =
        static_cast<std::int32_t>(truncClamp(parseDecimal(dialog.iterationsText), lo, hi));
    const int n = std::clamp<int>(store.m_lastPoint - store.m_firstPoint, 0, kPointCapacity - 1);
    estimateBaseline(store.liveBuffer(), n, store.m_baselineWindow, store.m_baselineIterations);
    fx.corrected = true;
    return fx;
}

}  // namespace halden
