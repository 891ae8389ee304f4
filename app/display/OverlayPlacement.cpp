#include "display/OverlayPlacement.h"

#include <algorithm>
#include <cstdlib>

namespace halden {

QRect BlockPlacer::clamped(const QRect& preferred) const {
    const int x = std::max(m_area.left(), std::min(preferred.left(), m_area.right() + 1 - preferred.width()));
    const int y = std::max(m_area.top(), std::min(preferred.top(), m_area.bottom() + 1 - preferred.height()));
    return QRect(QPoint(x, y), preferred.size());
}

bool BlockPlacer::free(const QRect& r) const {
    if (!m_area.contains(r)) return false;
    return std::none_of(m_taken.begin(), m_taken.end(), [&](const QRect& t) { return t.intersects(r); });
}

std::optional<QPoint> BlockPlacer::place(const QRect& preferred) {
    const int w = preferred.width(), h = preferred.height();
    if (w > m_area.width() || h > m_area.height()) return std::nullopt;
    const QRect start = clamped(preferred);
    if (start == preferred && free(start)) {
        m_taken.push_back(start);
        return start.topLeft();
    }

    // Columns: the block's own, beside every block placed, the area's edges;
    // nearest the wanted one first.
    std::vector<int> xs = {start.left(), m_area.left(), m_area.right() + 1 - w};
    // Rows: the block's own, under every block placed, the area's top.
    std::vector<int> ys = {start.top(), m_area.top()};
    for (const QRect& t : m_taken) {
        xs.push_back(t.right() + 1 + m_gap);
        xs.push_back(t.left() - m_gap - w);
        ys.push_back(t.bottom() + 1 + m_gap);
    }
    const int px = start.left(), py = start.top();
    std::sort(xs.begin(), xs.end(), [px](int a, int b) {
        return std::abs(a - px) != std::abs(b - px) ? std::abs(a - px) < std::abs(b - px) : a < b;
    });
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    // Downwards first, then upwards from the wanted row.
    std::sort(ys.begin(), ys.end(), [py](int a, int b) {
        if ((a >= py) != (b >= py)) return a >= py;
        return a >= py ? a < b : a > b;
    });
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    for (int x : xs)
        for (int y : ys) {
            const QRect candidate(x, y, w, h);
            if (free(candidate)) {
                m_taken.push_back(candidate);
                return candidate.topLeft();
            }
        }
    return std::nullopt;
}

}  // namespace halden
