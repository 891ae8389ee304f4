#include "spectrum/LiveView.h"

#include <algorithm>
#include <cstring>

#include "spectrum/DialogText.h"
#include "spectrum/StoreCommands.h"
#include "spectrum/StoredCurves.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

namespace {

struct ScanColour {
    int r, g, b;
};
constexpr ScanColour kScanColours[] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {155, 155, 0}};
constexpr int kScanColourCount = 5;

// Gives the first `count` slots `last + 1` points each. The curves after the
// old live block move with it, slots and points. False, and the table as it
// was, when the table is damaged or the new block does not fit.
bool resizeLiveBlock(SpectrumStore& s, int count, int last) {
    const StoredCurves table(s);
    const int marker = table.markerSlot();
    if (marker < 0 || table.endOffset() > kStoredPoolSize || count < 1 || last < 0) return false;
    const int oldCount = std::clamp<int>(s.m_liveCurveCount, 0, marker);
    const long long oldPoints = oldCount < marker ? table[oldCount].offset : table.endOffset();
    const int tailSlots = marker - oldCount;
    const long long tailPoints = table.endOffset() - oldPoints;
    const long long newPoints = static_cast<long long>(count) * (last + 1);
    if (count + tailSlots + 1 > kStoredSlots || newPoints + tailPoints > kStoredPoolSize) return false;

    if (tailPoints > 0 && newPoints != oldPoints) {
        const std::size_t bytes = static_cast<std::size_t>(tailPoints) * sizeof(double);
        std::memmove(&s.m_storedX[newPoints], &s.m_storedX[oldPoints], bytes);
        std::memmove(&s.m_storedY[newPoints], &s.m_storedY[oldPoints], bytes);
    }
    if (count != oldCount) {
        // Slots oldCount..marker (the tail and its end marker) move to count.
        moveStoredSlots(s, oldCount, count, tailSlots + 1);
        for (int k = oldCount; k < count; ++k) s.m_storedVisible[k] = 1;  // new live curves show
        for (int k = 0; k < count; ++k) nameStoredCurve(s, k, CurveKind::Live, liveCurveName(k, count));
    }
    for (int k = 0; k < count; ++k) s.m_storedLength[k] = last;
    s.m_liveCurveCount = count;
    return true;
}

}  // namespace

void updateClientSize(SpectrumStore& s, int w, int h) {
    if (w == s.m_clientWidth && h == s.m_clientHeight) return;
    s.m_clientWidth = w;
    s.m_clientHeight = h;
    s.m_marginLeft = static_cast<int>(truncClamp(0.075 * w, -1000000, 1000000));
    s.m_marginRight = static_cast<int>(truncClamp(0.025 * w, -1000000, 1000000));
    s.m_marginTop = s.m_marginRight;
    s.m_marginBottom = static_cast<int>(truncClamp(2 * s.m_chartUnit, -1000000, 1000000));
}

void refreshLiveCurves(SpectrumStore& s) {
    const LiveAcquisition& live = s.m_liveAcquisition;
    const bool fast = live.fast();
    const int last = std::clamp(fast ? std::min(live.lastPoint, kFastCurveLast) : live.lastPoint, 0,
                                kPointCapacity - 1);
    int count = live.columns();
    if (!resizeLiveBlock(s, count, last)) {
        count = 1;
        if (!resizeLiveBlock(s, count, last)) return;
    }
    const double* buffer = s.liveBuffer();
    const int step = fast ? 2 : 1;
    for (int k = 0; k < count; ++k) {
        const long long offset = static_cast<long long>(k) * (last + 1);
        const double* row = buffer + static_cast<std::ptrdiff_t>(k) * kPointCapacity;
        for (int i = 0; i <= last; ++i) {
            const double nm = s.m_wavelength[std::min(step * i, kPointCapacity - 1)];
            s.m_storedY[offset + i] = row[i];
            s.m_storedX[offset + i] = s.m_wavenumberAxis ? ramanShift(s.m_laserWavelength, nm) : nm;
        }
        const ScanColour c = k < kScanColourCount ? kScanColours[k] : kScanColours[0];
        s.m_storedRed[k] = c.r;
        s.m_storedGreen[k] = c.g;
        s.m_storedBlue[k] = c.b;
    }
}

int maxIntensityIndex(const SpectrumStore& s) {
    const StoredCurve curve0 = storedCurve0(s);
    double best = -10000000.0;
    int index = s.m_markerIndex;
    for (int i = 0; i < curve0.count(); ++i) {
        const double x = curve0.x[i], y = curve0.y[i];
        if (x >= s.m_xMin && x <= s.m_xMax && y > best) {
            best = y;
            index = i;
        }
    }
    return index;
}

void settleView(SpectrumStore& s) {
    refreshLiveCurves(s);
    captureBackgroundIfRequested(s);
    if (s.m_autoY) s.m_yMin = s.m_yMax = -1.0;
    if (s.m_showMaxIntensity) s.m_markerIndex = maxIntensityIndex(s);
}

}  // namespace halden
