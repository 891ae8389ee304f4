// Where the chart's overlay blocks go: each block keeps its own place when
// that place is free and inside the plot; otherwise it slides down its
// column to the first free place, then tries the columns beside the blocks
// already placed, nearest first. Plain rectangles in and out.
#pragma once

#include <QPoint>
#include <QRect>

#include <optional>
#include <vector>

namespace halden {

class BlockPlacer {
public:
    // area: where blocks may go; gap: pixels kept between blocks that move.
    explicit BlockPlacer(QRect area, int gap = 4) : m_area(area), m_gap(gap) {}

    // The top-left corner for a block wanting preferred, which is then
    // taken; nothing when no free place inside the area holds it.
    std::optional<QPoint> place(const QRect& preferred);
    // Takes r whatever it covers (a block placed without a free place).
    void take(const QRect& r) { m_taken.push_back(r); }

    // preferred moved inside the area as far as its size allows.
    QRect clamped(const QRect& preferred) const;

    const QRect& area() const { return m_area; }
    const std::vector<QRect>& taken() const { return m_taken; }

private:
    bool free(const QRect& r) const;

    QRect m_area;
    int m_gap;
    std::vector<QRect> m_taken;
};

}  // namespace halden
