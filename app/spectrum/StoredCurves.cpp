#include "spectrum/StoredCurves.h"

#include <algorithm>
#include <utility>

namespace halden {

StoredCurves::StoredCurves(const SpectrumStore& store) : m_store(&store) {
    long long offset = 0;
    bool fits = true;
    int k = 0;
    for (; k < kStoredSlots; ++k) {
        const std::int32_t last = store.m_storedLength[k];
        if (last < 0) break;
        const long long count = static_cast<long long>(last) + 1;
        fits = fits && offset + count <= kStoredPoolSize;
        if (fits) {
            m_offsets[k] = offset;
            ++m_count;
        }
        offset += count;
    }
    m_endOffset = offset;
    if (k < kStoredSlots && store.m_storedLength[k] == -1) m_markerSlot = k;
}

StoredCurve StoredCurves::operator[](int k) const {
    const SpectrumStore& s = *m_store;
    StoredCurve c;
    c.slot = k;
    c.offset = m_offsets[k];
    const auto count = static_cast<std::size_t>(s.m_storedLength[k]) + 1;
    c.x = std::span<const double>(s.m_storedX).subspan(static_cast<std::size_t>(c.offset), count);
    c.y = std::span<const double>(s.m_storedY).subspan(static_cast<std::size_t>(c.offset), count);
    c.red = s.m_storedRed[k];
    c.green = s.m_storedGreen[k];
    c.blue = s.m_storedBlue[k];
    c.visible = s.m_storedVisible[k] != 0;
    c.kind = s.m_storedKind[k];
    c.name = s.m_storedName[k];
    return c;
}

StoredCurve storedCurve0(const SpectrumStore& s) {
    StoredCurve c;
    const auto count = static_cast<std::size_t>(std::clamp<long long>(s.m_storedLength[0] + 1LL, 0, kStoredPoolSize));
    c.x = std::span<const double>(s.m_storedX).first(count);
    c.y = std::span<const double>(s.m_storedY).first(count);
    c.red = s.m_storedRed[0];
    c.green = s.m_storedGreen[0];
    c.blue = s.m_storedBlue[0];
    c.visible = s.m_storedVisible[0] != 0;
    c.kind = s.m_storedKind[0];
    c.name = s.m_storedName[0];
    return c;
}

std::string liveCurveName(int k, int count) {
    return count <= 1 ? std::string(kLiveCurveName) : "Scan " + std::to_string(k + 1);
}

void nameStoredCurve(SpectrumStore& s, int k, CurveKind kind, std::string name) {
    if (k < 0 || k >= kStoredSlots) return;
    s.m_storedKind[k] = kind;
    s.m_storedName[k] = std::move(name);
}

void setStoredCurveVisible(SpectrumStore& s, int k, bool visible) {
    if (k >= 0 && k < kStoredSlots) s.m_storedVisible[k] = visible ? 1 : 0;
}

bool removeStoredCurve(SpectrumStore& s, int k) {
    const StoredCurves table(s);
    const int marker = table.markerSlot();
    if (marker < 0 || table.endOffset() > kStoredPoolSize || k < s.m_liveCurveCount || k < 1 || k >= marker)
        return false;
    const StoredCurve gone = table[k];
    const long long from = gone.offset + gone.count();
    std::copy(s.m_storedX.begin() + from, s.m_storedX.begin() + table.endOffset(), s.m_storedX.begin() + gone.offset);
    std::copy(s.m_storedY.begin() + from, s.m_storedY.begin() + table.endOffset(), s.m_storedY.begin() + gone.offset);
    if (gone.kind == CurveKind::Gaussian) {
        s.m_gaussCleared = true;
        s.m_showGaussian = false;
    }
    // Slots k+1..marker (the end marker included) move up one.
    moveStoredSlots(s, k + 1, k, marker - k);
    s.m_storedCount = marker - 1;
    return true;
}

void moveStoredSlots(SpectrumStore& s, int from, int to, int n) {
    const auto move = [&](auto& slots) {
        auto first = slots.begin() + from, last = first + n;
        if (to < from)
            std::move(first, last, slots.begin() + to);
        else if (to > from)
            std::move_backward(first, last, slots.begin() + to + n);
    };
    move(s.m_storedLength);
    move(s.m_storedRed);
    move(s.m_storedGreen);
    move(s.m_storedBlue);
    move(s.m_storedVisible);
    move(s.m_storedKind);
    move(s.m_storedName);
}

void setStoredCurveColour(SpectrumStore& s, int k, std::int32_t red, std::int32_t green, std::int32_t blue) {
    s.m_storedRed[k] = red;
    s.m_storedGreen[k] = green;
    s.m_storedBlue[k] = blue;
    s.m_storedVisible[k] = 1;
}

void setStoredCurveSlotColour(SpectrumStore& s, int k) {
    setStoredCurveColour(s, k, (k + 1) * 100, (k + 2) * 100, (k + 3) * 100);
}

}  // namespace halden
