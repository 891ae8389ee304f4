#include "display/ChromaShiftBars.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

#include "display/ColourVectorGraphic.h"

namespace halden {

double chromaShiftScale(const ColourRendition& r) {
    double largest = 0;
    for (double v : r.RcsHue)
        if (std::isfinite(v)) largest = std::max(largest, std::fabs(v));
    return std::max(20.0, std::ceil(largest / 10.0) * 10.0);
}

void drawChromaShiftBars(QPainter& p, const QRectF& area, const ColourRendition& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QFont font = p.font();
    // Small enough that two-digit bin numbers fit their slot.
    const double size = std::min({area.height() / 20, area.width() / kHueBins * 0.5, 13.0});
    font.setPixelSize(std::max(7, static_cast<int>(size)));
    p.setFont(font);
    const QFontMetricsF metrics(font);
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("-100%")) + 4;
    const double lineHeight = metrics.height();

    // Title on top, bin numbers below, scale labels on the left.
    const QRectF plot(area.left() + labelWidth, area.top() + lineHeight * 1.4, area.width() - labelWidth - 2,
                      area.height() - lineHeight * 2.8);
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), lineHeight * 1.2), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Local chroma shift Rcs,h (%)"));

    const double scale = chromaShiftScale(r);
    const double zeroY = plot.center().y();
    auto yOf = [&](double percent) { return zeroY - percent / scale * plot.height() / 2; };

    // Grid at every 10 % and the scale's ends.
    const double step = scale > 40 ? 20 : 10;
    for (double v = -scale; v <= scale + 1e-9; v += step) {
        p.setPen(QPen(v == 0 ? QColor(60, 60, 60) : QColor(220, 220, 220), 1));
        p.drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), yOf(v) - lineHeight / 2, labelWidth - 4, lineHeight),
                   Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1%").arg(v, 0, 'f', 0));
    }

    const double slot = plot.width() / kHueBins;
    for (int j = 0; j < kHueBins; ++j) {
        const double left = plot.left() + slot * j;
        const double v = r.RcsHue[static_cast<std::size_t>(j)];
        if (std::isfinite(v)) {
            const double clamped = std::clamp(v, -scale, scale);
            const QRectF bar(QPointF(left + slot * 0.15, std::min(zeroY, yOf(clamped))),
                             QPointF(left + slot * 0.85, std::max(zeroY, yOf(clamped))));
            p.fillRect(bar, hueBinColour(j));
        }
        p.setPen(Qt::black);
        p.drawText(QRectF(left, plot.bottom() + 2, slot, lineHeight), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(j + 1));
    }
    p.restore();
}

}  // namespace halden
