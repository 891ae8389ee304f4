#include "display/ChartDrawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "display/ChartFonts.h"

namespace halden {

namespace {

const QColor kTickColour(100, 100, 100);

// Walks the visible curves: fn(index in p.curves, firstPoolIndex, pointCount).
template <class Fn>
void forEachCurve(const ChartParams& p, Fn&& fn) {
    if (!p.xPool || !p.yPool) return;
    for (std::size_t k = 0; k < p.curves.size(); ++k) {
        const StoredCurve& c = p.curves[k];
        if (c.visible) fn(static_cast<int>(k), static_cast<int>(c.offset), c.count());
    }
}

bool isAutomatic(double lo, double hi) { return lo == -1.0 && hi == -1.0; }

// The ranges after the automatic rules; values that are not finite take no
// part in them.
void resolveRanges(const ChartParams& p, double& xMin, double& xMax, double& yMin, double& yMax) {
    xMin = p.xMin;
    xMax = p.xMax;
    yMin = p.yMin;
    yMax = p.yMax;
    if (isAutomatic(xMin, xMax)) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        forEachCurve(p, [&](int, int first, int count) {
            for (int i = first; i < first + count; ++i) {
                const double x = p.xPool[i];
                if (!std::isfinite(x)) continue;
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
        });
        xMin = lo <= hi ? lo : 0.0;
        xMax = lo <= hi ? hi : 1.0;
    }
    if (isAutomatic(yMin, yMax)) {
        double d = std::numeric_limits<double>::infinity(), e = -d;
        forEachCurve(p, [&](int, int first, int count) {
            for (int i = first; i < first + count; ++i) {
                const double x = p.xPool[i], y = p.yPool[i];
                if (!(x >= xMin && x <= xMax) || !std::isfinite(y)) continue;
                d = std::min(d, y);
                e = std::max(e, y);
            }
        });
        if (d <= e) {
            const double g = (e - d) * 0.1;
            yMin = d - g - 0.1;
            yMax = e + g + 0.1;
        } else {
            yMin = 0.0;
            yMax = 1.0;
        }
    }
    if (yMin == yMax) {
        yMin -= 1;
        yMax += 1;
    }
}

int labelLength(const std::string& s) { return static_cast<int>(s.size()); }

void drawTopLeftText(QPainter& painter, const QFontMetrics& metrics, int x, int y, const std::string& text) {
    painter.drawText(QPoint(x, y + metrics.ascent()), QString::fromStdString(text));
}

}  // namespace

std::optional<QColor> wavelengthColour(double x) {
    auto c = [](double v) { return static_cast<int>(static_cast<long long>(v) & 255); };
    if (x >= 400 && x < 420) return QColor(0, 0, 255);
    if (x >= 420 && x < 475) return QColor(0, c((x - 420) * 255 / 55), 255);
    if (x >= 475 && x < 525) return QColor(0, 255, c((525 - x) * 255 / 50));
    if (x >= 525 && x < 560) return QColor(c((x - 525) * 255 / 35), 255, 0);
    if (x >= 560 && x < 620) return QColor(255, c((620 - x) * 255 / 60), 0);
    if (x >= 620 && x < 700) return QColor(255, 0, 0);
    return std::nullopt;
}

QColor curveColour(std::int32_t red, std::int32_t green, std::int32_t blue) {
    return QColor(red & 255, green & 255, blue & 255);
}

int curveCount(const ChartParams& params) {
    int n = 0;
    forEachCurve(params, [&](int, int, int) { ++n; });
    return n;
}

ChartLayout describeChart(const ChartParams& p) {
    ChartLayout layout;
    double xMin, xMax, yMin, yMax;
    resolveRanges(p, xMin, xMax, yMin, yMax);
    const int w = p.surface.width(), h = p.surface.height();
    const double u = p.unit;
    const QFontMetrics axis(axisFont(u)), titles(axisTitleFont(u));
    const auto advance = [](const QFontMetrics& m, const std::string& text) {
        return m.horizontalAdvance(QString::fromStdString(text));
    };

    // The titles take a band under the x labels and a column left of the y
    // labels; the y labels then decide how far the plot starts from the left.
    const int titleCell = titles.height();
    const int band = p.xTitle.empty() ? 0 : titleCell + 2;
    const int column = p.yTitle.empty() ? 0 : titleCell + 2;
    const std::vector<AxisTick> yTicks = axisTicks(yMin, yMax, u, h - 2 * u - band, TickAxis::Y);
    int widest = 0;
    for (const AxisTick& t : yTicks) widest = std::max(widest, advance(axis, t.label));
    ChartRoom room;
    room.bottomBand = band;
    if (widest > 0 || column > 0) room.left = std::min(column + 2.0 + widest + 4.0, 0.4 * w);
    const ChartGeometry g = ChartGeometry::of(w, h, u, xMin, xMax, yMin, yMax, room);
    layout.geometry = g;

    for (const AxisTick& t : axisTicks(xMin, xMax, u, g.right - g.left, TickAxis::X)) {
        ChartTick tick{t.value, t.label, g.xPixel(t.value), 0, 0, {}};
        const int width = advance(axis, t.label);
        // Centred on the tick as the rule places it, but never past an edge.
        tick.labelX = std::clamp(tick.pixel - static_cast<int>(labelLength(t.label) * u / 3), 0, std::max(0, w - width));
        tick.labelY = truncPixel(h - 1.5 * u - band);
        tick.box = QRect(tick.labelX, tick.labelY, width, axis.height());
        layout.xTicks.push_back(tick);
    }
    for (const AxisTick& t : yTicks) {
        ChartTick tick{t.value, t.label, g.yPixel(t.value), 0, 0, {}};
        const int width = advance(axis, t.label);
        // A label wider than the room the rule leaves it moves left rather
        // than run into the frame, and stops at the title's column.
        const int ruled = truncPixel(g.left - labelLength(t.label) * u * 0.5 - u);
        tick.labelX = std::max(column + 2, std::min(ruled, truncPixel(g.left) - 4 - width));
        tick.labelY = truncPixel(g.yAt(t.value) - 0.65 * u);
        tick.box = QRect(tick.labelX, tick.labelY, width, axis.height());
        layout.yTicks.push_back(tick);
    }

    if (!p.xTitle.empty()) {
        const int width = advance(titles, p.xTitle);
        const int x = std::clamp(truncPixel((g.left + g.right - width) / 2), 0, std::max(0, w - width));
        layout.xTitle = AxisTitle{p.xTitle, QRect(x, h - band + 1, width, titleCell), false};
    }
    if (!p.yTitle.empty()) {
        const int length = advance(titles, p.yTitle);
        const int y = std::max(0, truncPixel((g.top + g.bottom - length) / 2));
        layout.yTitle = AxisTitle{p.yTitle, QRect(1, y, titleCell, length), true};
    }

    // The marker is point markerIndex of curve 0.
    if (p.marker && !p.curves.empty() && p.xPool && p.yPool && p.markerIndex >= 0 &&
        p.markerIndex < p.curves[0].count()) {
        const double x = p.xPool[p.markerIndex], y = p.yPool[p.markerIndex];
        if (std::isfinite(x) && std::isfinite(y)) layout.marker = ChartMarker{p.markerIndex, x, y};
    }
    return layout;
}

void drawChart(QPainter& painter, const ChartParams& p) { drawChart(painter, p, describeChart(p)); }

void drawChart(QPainter& painter, const ChartParams& p, const ChartLayout& layout) {
    const ChartGeometry& g = layout.geometry;
    const int w = p.surface.width(), h = p.surface.height();
    const double u = p.unit;
    const int left = truncPixel(g.left), right = truncPixel(g.right);
    const int top = truncPixel(g.top), bottom = truncPixel(g.bottom);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);

    // Second colour bar: curve 0's points as vertical strokes in the colour
    // of their wavelength.
    if (p.colourBar && !p.curves.empty() && p.curves[0].visible && p.xPool && p.yPool) {
        const int first = 0, count = p.curves[0].count();
        const int barBottom = truncPixel(g.bottom - 2);
        for (int i = first; i < first + count; ++i) {
            const double x = p.xPool[i], y = p.yPool[i];
            if (!(x >= g.xMin && x <= g.xMax && y > g.yMin)) continue;
            const std::optional<QColor> colour = wavelengthColour(x);
            if (!colour) continue;
            const int X = g.xPixel(x);
            const int startY = y >= g.yMax ? truncPixel(0.025 * h) : g.yPixel(y) + 3;
            painter.setPen(QPen(*colour, 3, Qt::SolidLine));
            painter.drawLine(X, startY, X, barBottom);
        }
    }

    // Curves in table order; a point outside the ranges breaks the line.
    std::vector<QPoint> line;
    std::vector<int> columns, rows;
    forEachCurve(p, [&](int k, int first, int count) {
        const StoredCurve& curve = p.curves[k];
        const QPen pen(curveColour(curve.red, curve.green, curve.blue), 1, Qt::SolidLine);
        painter.setPen(pen);
        line.clear();
        auto flush = [&] {
            if (line.size() >= 2) painter.drawPolyline(line.data(), static_cast<int>(line.size()));
            else if (line.size() == 1) painter.drawPoint(line.front());
            line.clear();
        };
        columns.resize(count);
        rows.resize(count);
        g.pixelsOf(p.xPool + first, p.yPool + first, count, columns.data(), rows.data());
        for (int i = 0; i < count; ++i) {
            const double x = p.xPool[first + i], y = p.yPool[first + i];
            if (x >= g.xMin && x <= g.xMax && y >= g.yMin && y <= g.yMax) {
                // Several points share a pixel where the curve is dense;
                // the painter needs each only once.
                const QPoint point(columns[i], rows[i]);
                if (line.empty() || line.back() != point) line.push_back(point);
            } else
                flush();
        }
        flush();
    });

    // Ticks, grid and labels.
    const QFont font = axisFont(u);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    const int gridTop = truncPixel(0.025 * h);
    for (const ChartTick& t : layout.xTicks) {
        painter.setPen(QPen(kTickColour, 1, Qt::SolidLine));
        painter.drawLine(t.pixel, bottom, t.pixel, p.grid ? gridTop : truncPixel(g.bottom - 0.025 * h));
        painter.setPen(Qt::black);
        drawTopLeftText(painter, metrics, t.labelX, t.labelY, t.label);
    }
    for (const ChartTick& t : layout.yTicks) {
        painter.setPen(QPen(kTickColour, 1, Qt::SolidLine));
        painter.drawLine(left, t.pixel, p.grid ? truncPixel(0.975 * w) : truncPixel(g.left + 0.025 * h), t.pixel);
        painter.setPen(Qt::black);
        drawTopLeftText(painter, metrics, t.labelX, t.labelY, t.label);
    }

    // Axis titles.
    const QFont titleFont = axisTitleFont(u);
    const QFontMetrics titleMetrics(titleFont);
    painter.setFont(titleFont);
    painter.setPen(Qt::black);
    if (layout.xTitle) drawTopLeftText(painter, titleMetrics, layout.xTitle->box.left(), layout.xTitle->box.top(), layout.xTitle->text);
    if (layout.yTitle) {
        const QRect& box = layout.yTitle->box;
        painter.save();
        painter.translate(box.left(), box.top() + box.height());
        painter.rotate(-90);
        drawTopLeftText(painter, titleMetrics, 0, 0, layout.yTitle->text);
        painter.restore();
    }

    // Marker crosshair.
    if (layout.marker) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        const double X = g.xAt(layout.marker->x), Y = g.yAt(layout.marker->y);
        if (g.left < X && X < g.right) painter.drawLine(truncPixel(X), bottom, truncPixel(X), truncPixel(2 * u));
        if (g.top < Y && Y < g.bottom) painter.drawLine(left, truncPixel(Y), right, truncPixel(Y));
    }

    // Frame.
    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    const QPoint frame[5] = {{left, bottom}, {right, bottom}, {right, top}, {left, top}, {left, bottom}};
    painter.drawPolyline(frame, 5);
    painter.restore();
}

}  // namespace halden
