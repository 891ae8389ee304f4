#include "display/ViewRendering.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <cmath>
#include <cstring>

#include "colour/CFormat.h"
#include "display/ChartFonts.h"
#include "display/ChromaticityDiagram.h"
#include "spectrum/DialogText.h"

namespace halden {

namespace {

using Font = PlacedText::Font;

int clampInt(double v) { return truncPixel(v); }

// The marker column's x for a text of len characters.
int markerColumn(const SpectrumStore& s, int width, int len) {
    return s.m_markerPixel <= width / 2 ? s.m_markerPixel + 5 : s.m_markerPixel - 8 * len;
}

void addMarkerText(ViewLayout& layout, const SpectrumStore& s, int width, std::string text, int y) {
    const int x = markerColumn(s, width, static_cast<int>(text.size()));
    layout.texts.push_back({std::move(text), x, y, Font::Overlay});
}

void describeMarkerReadout(ViewLayout& layout, const SpectrumStore& s, const PaintFigures& figures) {
    const int w = layout.size.width();
    const int tm = s.m_marginTop;
    if (layout.chart.marker) {
        const ChartMarker& m = *layout.chart.marker;
        addMarkerText(layout, s, w, cformat(s.m_wavenumberAxis ? "%.2f 1/cm" : "%.2f nm", m.x), tm + 20);
        addMarkerText(layout, s, w, cformat(s.m_ratioMode == 3 ? "y: %.3f" : "y: %.2f", m.y), tm + 35);
    }
    if (figures.markerIrradianceShown) {
        addMarkerText(layout, s, w, "uW/cm^2/nm:", tm + 65);
        addMarkerText(layout, s, w, cformat("%.2E", figures.markerIrradiance), tm + 85);
    }
    if (figures.concentrationShown)
        addMarkerText(layout, s, w, cformat("concentration: %.3f", figures.concentration), tm + 60);
}

void describeGaussian(ViewLayout& layout, const SpectrumStore& s) {
    if (s.m_gaussCleared) return;
    const int x = layout.size.width() - s.m_marginRight - 150;
    layout.texts.push_back({cformat("center: %.2f nm", s.m_gaussCenter), x, s.m_marginTop + 20, Font::Overlay});
    layout.texts.push_back({cformat("Width %.2f nm", 0.48 * s.m_gaussWidth), x, s.m_marginTop + 40, Font::Overlay});
}

// A figure in its overlay format, or the format's text with "-" for a number
// that is not finite (a dark spectrum gives no colour figures).
std::string overlayText(const char* format, double v) {
    if (std::isfinite(v)) return cformat(format, v);
    std::string out;
    for (const char* c = format; *c; ++c) {
        if (*c != '%') {
            out += *c;
            continue;
        }
        while (c[1] && !std::strchr("fFeEgG", c[1])) ++c;
        if (c[1]) ++c;
        out += '-';
    }
    return out;
}

void describeChromaticity(ViewLayout& layout, const SpectrumStore& s, const PaintFigures& figures) {
    const double scale = s.m_diagramScale;
    if (!s.m_chromaticityView || !figures.chromaticityShown || !(scale > 0)) return;
    const int w = layout.size.width(), h = layout.size.height();
    const int lm = s.m_marginLeft, tm = s.m_marginTop, rm = s.m_marginRight, bm = s.m_marginBottom;
    const int p = w - rm - lm;
    const ColorimetryResult& c = figures.colorimetry;
    layout.chromaticity = true;
    const int pictureWidth = clampInt(p / scale);
    if (pictureWidth > 0)
        layout.diagramTarget = QRect(lm + 5, tm + 5, pictureWidth, pictureWidth * kDiagramHeight / kDiagramWidth);
    const bool coloured = std::isfinite(c[ColorimetryResult::kX]) && std::isfinite(c[ColorimetryResult::kY]);
    if (coloured) layout.diagramMarker = diagramMarkerRect(c[ColorimetryResult::kX], c[ColorimetryResult::kY]);

    const int x0 = lm + clampInt(p / (1.5 * scale));
    const int y0 = tm + (h - tm - bm) / 30;
    auto line = [&](int k) { return y0 + clampInt(105 * k / scale); };
    auto add = [&](std::string text, int x, int y) { layout.texts.push_back({std::move(text), x, y, Font::Chromaticity}); };
    const char* formats[] = {"x = %.2f", "y = %.2f", "z = %.2f", "u = %.2f", "v = %.2f"};
    for (int k = 0; k < 5; ++k) add(overlayText(formats[k], c[static_cast<std::size_t>(k)]), x0, line(k));
    // The temperature shows as a whole number of kelvin, truncated.
    const double tc = c[ColorimetryResult::kTc];
    add(overlayText("T = %.0f", std::trunc(tc)), x0, line(5));
    add(overlayText("DC=%.0E", c[ColorimetryResult::kDC]), x0, line(6));
    if (!coloured) add("no light: no colour figures", x0, line(7));
    const int x1 = x0 + clampInt(385 / scale), x2 = x0 + clampInt(630 / scale);
    for (int k = 0; k < 7; ++k) {
        add(overlayText(cformat("R%d=%%.0f", k + 1).c_str(), c[ColorimetryResult::kR1 + static_cast<std::size_t>(k)]), x1,
            line(k));
        add(overlayText(cformat("R%d=%%.0f", k + 8).c_str(), c[ColorimetryResult::kR1 + 7 + static_cast<std::size_t>(k)]),
            x2, line(k));
    }
    add(overlayText("CRI Ra(1-8)=%.1f", c[ColorimetryResult::kRa]), x2, y0 + clampInt(735 / scale));
    add(overlayText("CRI Re(1-14)=%.1f", c[ColorimetryResult::kRe]), x2, y0 + clampInt(840 / scale));
    add(overlayText("%.2E lm", figures.lumen), x2, y0 + clampInt(945 / scale));
}

void describeEnergy(ViewLayout& layout, const SpectrumStore& s, const PaintFigures& figures) {
    if (!s.m_calcEnergy || s.m_liveAcquisition.fast() || !figures.energy.shown) return;
    const int x = layout.size.width() - s.m_marginLeft - 150;
    const int tm = s.m_marginTop;
    auto add = [&](std::string text, int y) { layout.texts.push_back({std::move(text), x, y, Font::Overlay}); };
    add(s.m_irradianceCalibrated ? "Energy: uW/cm^2" : "Energy:", tm + 20);
    const EnergyFigures& e = figures.energy;
    add(cformat("Total Range: %.2E", e.total), tm + 50);
    add(cformat("%.0f-%.0f", s.m_energyLow, s.m_energyHigh), tm + 70);
    add(cformat("Range1: %.2E", e.range1), tm + 100);
    add(cformat("%.0f-%.0f", s.m_interval1Low, s.m_interval1High), tm + 120);
    add(cformat("Range2: %.2E", e.range2), tm + 150);
    add(cformat("%.0f-%.0f", s.m_interval2Low, s.m_interval2High), tm + 170);
    add(cformat("Range3: %.2E", e.range3), tm + 200);
    add(cformat("%.0f-%.0f", s.m_interval3Low, s.m_interval3High), tm + 220);
}

// The first colour bar: the visible x range across the plot width, in whole
// nanometres.
void drawColourBar1(QPainter& painter, const SpectrumStore& s, QSize size) {
    const int h = size.height();
    const int p = size.width() - s.m_marginRight - s.m_marginLeft;
    if (p <= 0) return;
    const double xMin = s.m_xMin, xMax = s.m_xMax;
    for (int i = 0; i <= p; ++i) {
        const long long lambda = truncClamp(xMin + i * (xMax - xMin) / p, -1000000, 1000000);
        const std::optional<QColor> colour = wavelengthColour(static_cast<double>(lambda));
        if (!colour) continue;
        painter.setPen(QPen(*colour, 1, Qt::SolidLine));
        const int x = s.m_marginLeft + i + 1;
        painter.drawLine(x, h - s.m_marginBottom - 20, x, h - s.m_marginBottom - 50);
    }
}

void drawTexts(QPainter& painter, const ViewLayout& layout, const SpectrumStore& s) {
    const QFont overlay = overlayFont();
    const QFont chroma = chromaticityFont(s.m_diagramScale > 0 ? s.m_diagramScale : 1.0);
    const QFontMetrics overlayMetrics(overlay), chromaMetrics(chroma);
    painter.setPen(Qt::black);
    // Texts stand on white, so they stay readable over curves and grid.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    for (const PlacedText& t : layout.texts) {
        const bool isChroma = t.font == Font::Chromaticity;
        painter.setFont(isChroma ? chroma : overlay);
        const int ascent = isChroma ? chromaMetrics.ascent() : overlayMetrics.ascent();
        painter.drawText(QPoint(t.x, t.y + ascent), QString::fromStdString(t.text));
    }
}

void drawDiagram(QPainter& painter, const ViewLayout& layout) {
    const QRect target = layout.diagramTarget;
    if (target.isEmpty()) return;
    painter.drawImage(target.topLeft(), scaledChromaticityDiagram(target.size()));
    // The marker rectangle, drawn on the picture at the picture's scale.
    const double sx = static_cast<double>(target.width()) / (kDiagramWidth - 1);
    const double sy = static_cast<double>(target.height()) / (kDiagramHeight - 1);
    const QRect m = layout.diagramMarker;
    const QRectF mapped(target.left() + m.left() * sx, target.top() + m.top() * sy, m.width() * sx, m.height() * sy);
    if (!target.intersects(mapped.toAlignedRect())) return;
    painter.save();
    painter.setClipRect(target);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(mapped.toRect());
    painter.restore();
}

}  // namespace

ChartParams chartParamsFromStore(const SpectrumStore& s, QSize size) {
    ChartParams p;
    p.surface = size;
    p.unit = s.m_chartUnit;
    p.xMin = s.m_xMin;
    p.xMax = s.m_xMax;
    p.yMin = s.m_yMin;
    p.yMax = s.m_yMax;
    p.grid = s.m_gridLines;
    p.marker = true;
    p.markerIndex = s.m_markerIndex;
    p.colourBar = s.m_colorBar2;
    p.yPool = s.m_storedY.data();
    p.xPool = s.m_storedX.data();
    const StoredCurves table(s);
    p.curves.assign(table.begin(), table.end());
    return p;
}

ViewLayout describeView(QSize size, const SpectrumStore& s, const PaintFigures& figures,
                        const ViewInteraction& interaction) {
    return describeView(chartParamsFromStore(s, size), s, figures, interaction);
}

ViewLayout describeView(const ChartParams& chart, const SpectrumStore& s, const PaintFigures& figures,
                        const ViewInteraction& interaction) {
    ViewLayout layout;
    layout.size = chart.surface;
    layout.chart = describeChart(chart);
    describeMarkerReadout(layout, s, figures);
    if (interaction.zoomDragging) {
        layout.zoomRectangle = true;
        const QPoint a(interaction.zoomStart.x + s.m_marginLeft, interaction.zoomStart.y + s.m_marginTop);
        const QPoint b(interaction.zoomCurrent.x + s.m_marginLeft, interaction.zoomCurrent.y + s.m_marginTop);
        layout.zoomRect = QRect(a, b).normalized();
    }
    describeGaussian(layout, s);
    describeChromaticity(layout, s, figures);
    describeEnergy(layout, s, figures);
    return layout;
}

void renderView(QPainter& painter, QSize size, const SpectrumStore& s, const PaintFigures& figures,
                const ViewInteraction& interaction) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    if (s.m_colorBar1) drawColourBar1(painter, s, size);
    // The chart is laid out once: its curves, ticks and marker, then the
    // overlays placed around them.
    const ChartParams chart = chartParamsFromStore(s, size);
    const ViewLayout layout = describeView(chart, s, figures, interaction);
    drawChart(painter, chart, layout.chart);

    if (layout.zoomRectangle) {
        painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(layout.zoomRect);
    }
    if (layout.chromaticity) drawDiagram(painter, layout);
    drawTexts(painter, layout, s);
    painter.restore();
}

QImage renderViewImage(QSize size, const SpectrumStore& store, const PaintFigures& figures,
                       const ViewInteraction& interaction) {
    if (size.width() <= 0 || size.height() <= 0) return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderView(painter, size, store, figures, interaction);
    return image;
}

}  // namespace halden
