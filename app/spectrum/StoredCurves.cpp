#include "spectrum/StoredCurves.h"

#include <algorithm>

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
    return c;
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
