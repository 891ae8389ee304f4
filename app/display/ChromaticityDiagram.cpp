#include "display/ChromaticityDiagram.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "colour/CFormat.h"
#include "colour/ColourTables.h"
#include "colour/ReferenceIlluminants.h"

namespace halden {

namespace {

QPointF imagePoint(QPointF c) { return {diagramColumn(c.x()), diagramRow(c.y())}; }

QPointF fromXyz(double X, double Y, double Z) {
    const double sum = X + Y + Z;
    if (!(sum > 0)) return {};
    return {X / sum, Y / sum};
}

double gammaEncode(double v) { return v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

QFont diagramFont(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void drawAxes(QPainter& p) {
    const QPen grid(QColor(200, 200, 200), 1);
    const QPen axis(Qt::black, 3);
    p.setFont(diagramFont(30));
    const QFontMetrics fm(p.font());
    for (int i = 0; i <= 8; ++i) {
        const double x = i / 10.0;
        const int col = static_cast<int>(std::lround(diagramColumn(x)));
        p.setPen(grid);
        p.drawLine(col, 50, col, 1337);
        p.setPen(axis);
        p.drawLine(col, 1337, col, 1350);
        const QString label = QString::fromStdString(cformat("%.1f", x));
        p.drawText(col - fm.horizontalAdvance(label) / 2, 1352 + fm.ascent(), label);
    }
    for (int i = 0; i <= 9; ++i) {
        const double y = i / 10.0;
        const int row = static_cast<int>(std::lround(diagramRow(y)));
        p.setPen(grid);
        p.drawLine(113, row, 1258, row);
        p.setPen(axis);
        p.drawLine(100, row, 113, row);
        const QString label = QString::fromStdString(cformat("%.1f", y));
        p.drawText(95 - fm.horizontalAdvance(label), row + fm.ascent() / 2 - 2, label);
    }
    p.setPen(axis);
    p.drawLine(113, 1337, 1258, 1337);
    p.drawLine(113, 1337, 113, 50);
    p.setFont(diagramFont(40, true));
    p.drawText(1200, 1435, QStringLiteral("x"));
    p.drawText(20, 110, QStringLiteral("y"));
}

void fillGamut(QImage& image, const QPolygonF& outline) {
    // A mask of the locus area, then every pixel in it coloured.
    QImage mask(image.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter mp(&mask);
        mp.setRenderHint(QPainter::Antialiasing, false);
        mp.setPen(Qt::NoPen);
        mp.setBrush(Qt::white);
        mp.drawPolygon(outline);
    }
    for (int row = 0; row < image.height(); ++row) {
        const uchar* m = mask.constScanLine(row);
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        const double y = (1337 - row) * 0.9 / 1287;
        if (y <= 0) continue;
        for (int col = 0; col < image.width(); ++col)
            if (m[col]) line[col] = chromaticityDisplayColour((col - 113) * 0.8 / 1145, y);
    }
}

void drawLocus(QPainter& p, const QPolygonF& outline) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 3));
    p.drawPolygon(outline);  // the closing edge is the purple line

    // Wavelength labels outward from the white point.
    p.setFont(diagramFont(28));
    const QFontMetrics fm(p.font());
    const QPointF white = imagePoint(QPointF(1.0 / 3, 1.0 / 3));
    const int labelled[] = {450, 470, 480, 490, 500, 510, 520, 530, 540, 550, 560, 570, 580, 590, 600, 620, 700};
    for (int nm : labelled) {
        const QPointF at = imagePoint(spectralChromaticity(nm));
        QPointF dir = at - white;
        const double len = std::hypot(dir.x(), dir.y());
        if (len <= 0) continue;
        dir /= len;
        p.drawLine(at, at + dir * 14);
        const QString text = QString::number(nm);
        const QPointF centre = at + dir * 42;
        p.drawText(QPointF(centre.x() - fm.horizontalAdvance(text) / 2.0, centre.y() + fm.ascent() / 2.0 - 3),
                   text);
    }
}

void drawPlanckianLocus(QPainter& p) {
    QPolygonF curve;
    for (double t = 1000; t <= 25000; t *= 1.02) curve << imagePoint(planckianChromaticity(t));
    p.setPen(QPen(Qt::black, 2));
    p.drawPolyline(curve);
    p.setFont(diagramFont(24));
    const QFontMetrics fm(p.font());
    const int marked[] = {1500, 2000, 3000, 4000, 6500, 10000};
    for (int t : marked) {
        const QPointF at = imagePoint(planckianChromaticity(t));
        p.drawLine(at + QPointF(-8, -8), at + QPointF(8, 8));
        const QString text = QString::number(t) + QStringLiteral(" K");
        p.drawText(QPointF(at.x() - fm.horizontalAdvance(text) / 2.0, at.y() + 12 + fm.ascent()), text);
    }
}

QImage buildDiagram() {
    QImage image(kDiagramWidth, kDiagramHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPolygonF outline;
    // The spectral locus from 380 to 700 nm (beyond, the points pile up on one spot).
    for (int nm = 380; nm <= 700; ++nm) outline << imagePoint(spectralChromaticity(nm));
    fillGamut(image, outline);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawAxes(p);
    drawLocus(p, outline);
    drawPlanckianLocus(p);
    p.setFont(diagramFont(36, true));
    p.setPen(Qt::black);
    p.drawText(700, 110, QStringLiteral("CIE 1931"));
    return image;
}

}  // namespace

QPointF spectralChromaticity(int nm) {
    const ObserverRow& r = ObserverTable[nm - kGridFirstNm];
    return fromXyz(r.x, r.y, r.z);
}

QPointF planckianChromaticity(double kelvin) {
    double X = 0, Y = 0, Z = 0;
    for (int k = 0; k < kGridPoints; ++k) {
        const double nm = kGridFirstNm + k;
        const double m = std::pow(nm, -5.0) / std::expm1(kReferenceRadiationC2 / (nm * kelvin));
        X += m * ObserverTable[k].x;
        Y += m * ObserverTable[k].y;
        Z += m * ObserverTable[k].z;
    }
    return fromXyz(X, Y, Z);
}

QRgb chromaticityDisplayColour(double x, double y, double pale) {
    const double X = x / y, Y = 1.0, Z = (1 - x - y) / y;
    double r = 3.2406 * X - 1.5372 * Y - 0.4986 * Z;
    double g = -0.9689 * X + 1.8758 * Y + 0.0415 * Z;
    double b = 0.0557 * X - 0.2040 * Y + 1.0570 * Z;
    r = std::max(r, 0.0);
    g = std::max(g, 0.0);
    b = std::max(b, 0.0);
    const double top = std::max({r, g, b});
    if (!(top > 0)) return qRgb(255, 255, 255);
    auto channel = [&](double v) { return static_cast<int>(std::lround(255 * (pale + (1 - pale) * gammaEncode(v / top)))); };
    return qRgb(channel(r), channel(g), channel(b));
}

double diagramColumn(double x) { return 1145 * x / 0.8 + 113; }
double diagramRow(double y) { return 1337 - 1287 * y / 0.9; }

QRect diagramMarkerRect(double x, double y) {
    auto t = [](double v) {
        if (!(v > -1e6)) return -1000000;
        if (!(v < 1e6)) return 1000000;
        return static_cast<int>(v);
    };
    const int left = t(diagramColumn(x) - 15), right = t(diagramColumn(x) + 15);
    const int top = t(diagramRow(y) - 15), bottom = t(diagramRow(y) + 15);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

const QImage& chromaticityDiagram() {
    static const QImage image = buildDiagram();
    return image;
}

QImage scaledChromaticityDiagram(QSize size) {
    static std::mutex mutex;
    static QSize cachedSize;
    static QImage cached;
    if (size.width() <= 0 || size.height() <= 0) return {};
    std::lock_guard<std::mutex> lock(mutex);
    if (size != cachedSize) {
        cached = chromaticityDiagram()
                     .copy(0, 0, kDiagramWidth - 1, kDiagramHeight - 1)
                     .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        cachedSize = size;
    }
    return cached;
}

}  // namespace halden
