#include "display/ColourVectorGraphic.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>

#include <cmath>

#include "colour/CFormat.h"

namespace halden {
namespace {

constexpr double kBinDegrees = 360.0 / kHueBins;

double binMiddle(int bin) { return (kBinDegrees * bin + kBinDegrees / 2) * (M_PI / 180); }

// CAM02 hue angles of the unique hues (red, yellow, green, blue, red again)
// and the display hues they are shown with.
constexpr double kUniqueHue[] = {20.14, 90.0, 164.25, 237.53, 380.14};
constexpr double kDisplayHue[] = {0.0, 55.0, 125.0, 225.0, 360.0};

QString figureText(const char* format, double v) { return QString::fromStdString(cformat(format, v)); }

}  // namespace

QPointF vectorGraphicReferencePoint(int bin) {
    const double t = binMiddle(bin);
    return {std::cos(t), std::sin(t)};
}

QPointF vectorGraphicTestPoint(const ColourRendition& r, int bin) {
    const double norm = std::hypot(r.referenceA[bin], r.referenceB[bin]);
    const QPointF c = vectorGraphicReferencePoint(bin);
    return {c.x() + (r.testA[bin] - r.referenceA[bin]) / norm, c.y() + (r.testB[bin] - r.referenceB[bin]) / norm};
}

QColor hueBinColour(int bin) {
    double h = kBinDegrees * bin + kBinDegrees / 2;
    if (h < kUniqueHue[0]) h += 360;
    int i = 0;
    while (i < 3 && h > kUniqueHue[i + 1]) ++i;
    const double f = (h - kUniqueHue[i]) / (kUniqueHue[i + 1] - kUniqueHue[i]);
    const double display = std::fmod(kDisplayHue[i] + f * (kDisplayHue[i + 1] - kDisplayHue[i]), 360.0);
    return QColor::fromHsvF(display / 360.0, 0.85, 0.85);
}

void drawColourVectorGraphic(QPainter& p, int size, const ColourRendition& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double half = size / 2.0;
    const double radius = size * 0.3;  // the unit circle; test points reach about 1.4
    auto at = [&](QPointF unit) { return QPointF(half + radius * unit.x(), half - radius * unit.y()); };

    // Bin boundaries, faint.
    p.setPen(QPen(QColor(210, 210, 210), std::max(1.0, size / 800.0), Qt::DashLine));
    for (int j = 0; j < kHueBins; ++j) {
        const double t = kBinDegrees * j * (M_PI / 180);
        p.drawLine(at({0, 0}), at({1.45 * std::cos(t), 1.45 * std::sin(t)}));
    }
    // Reference circle.
    p.setPen(QPen(Qt::black, std::max(1.5, size / 400.0)));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(half, half), radius, radius);

    if (r.ok) {
        // Test polygon, faintly filled.
        QPolygonF polygon;
        for (int j = 0; j < kHueBins; ++j)
            if (std::isfinite(r.testA[j] + r.referenceA[j])) polygon << at(vectorGraphicTestPoint(r, j));
        p.setPen(QPen(QColor(200, 30, 30), std::max(1.5, size / 320.0)));
        p.setBrush(QColor(200, 30, 30, 28));
        p.drawPolygon(polygon);

        // Arrows from the circle to the test points, in the bins' hues.
        const double head = size / 55.0;
        for (int j = 0; j < kHueBins; ++j) {
            if (!std::isfinite(r.testA[j] + r.referenceA[j])) continue;
            const QPointF from = at(vectorGraphicReferencePoint(j)), to = at(vectorGraphicTestPoint(r, j));
            const QColor c = hueBinColour(j);
            p.setPen(QPen(c, std::max(2.0, size / 200.0), Qt::SolidLine, Qt::RoundCap));
            p.drawLine(from, to);
            const QPointF d = to - from;
            const double length = std::hypot(d.x(), d.y());
            if (length > head * 0.5) {
                const QPointF u = d / length, n(-u.y(), u.x());
                QPolygonF tip;
                tip << to << to - u * head + n * head * 0.45 << to - u * head - n * head * 0.45;
                p.setPen(Qt::NoPen);
                p.setBrush(c);
                p.drawPolygon(tip);
            }
            p.setBrush(c);
            p.setPen(Qt::NoPen);
            p.drawEllipse(from, size / 180.0, size / 180.0);
        }
    }

    // Figures in the corners.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(8, size / 26));
    p.setFont(font);
    p.setPen(Qt::black);
    const double margin = size / 40.0;
    const QFontMetricsF fm(font);
    const double line = fm.height();
    if (r.ok) {
        p.drawText(QPointF(margin, margin + fm.ascent()), figureText("Rf %.0f", r.Rf));
        p.drawText(QPointF(margin, margin + fm.ascent() + line), figureText("Rg %.0f", r.Rg));
        const QString cct = figureText("CCT %.0f K", r.cct);
        const QString duv = figureText("Duv %.4f", std::fabs(r.duv) < 0.00005 ? 0.0 : r.duv);  // no "-0.0000"
        p.drawText(QPointF(size - margin - fm.horizontalAdvance(cct), margin + fm.ascent()), cct);
        p.drawText(QPointF(size - margin - fm.horizontalAdvance(duv), margin + fm.ascent() + line), duv);
    } else {
        p.drawText(QRectF(margin, margin, size - 2 * margin, 3 * line), Qt::AlignLeft | Qt::TextWordWrap,
                   QString::fromStdString("No colour rendition: " + r.error));
    }
    p.restore();
}

QImage colourVectorGraphicImage(int size, const ColourRendition& r) {
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    drawColourVectorGraphic(p, size, r);
    return image;
}

}  // namespace halden
