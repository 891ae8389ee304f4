#include "display/ViewRendering.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "colour/CFormat.h"
#include "display/ChartFonts.h"
#include "display/ChromaticityDiagram.h"
#include "display/OverlayPlacement.h"
#include "spectrum/DialogText.h"
#include "spectrum/StoredCurves.h"

namespace halden {

namespace {

using Font = PlacedText::Font;

constexpr int kBlockGap = 4;
// The chromaticity texts shrink in these steps while the overlays do not fit,
// down to this character height.
constexpr double kShrinkStep = 1.15;
constexpr int kSmallestChromaticityText = 8;
// Legend: the colour swatch's length, the gap before the name, the padding.
constexpr int kSwatchLength = 18, kSwatchGap = 6, kLegendPadding = 4;

int clampInt(double v) { return truncPixel(v); }

QString qtext(const std::string& text) { return QString::fromStdString(text); }

PlacedText makeText(std::string text, int x, int y, Font font, const QFontMetrics& m) {
    const int width = std::max(1, m.horizontalAdvance(qtext(text)));
    PlacedText t{std::move(text), x, y, font, {}};
    t.box = QRect(x, y, width, m.height());
    return t;
}

void moveText(PlacedText& t, int dx, int dy) {
    t.x += dx;
    t.y += dy;
    t.box.translate(dx, dy);
}

QRect boundsOf(const std::vector<PlacedText>& texts) {
    QRect r;
    for (const PlacedText& t : texts) r = r.united(t.box);
    return r;
}

// Lines of one block that would overlap move down, in the order of their rows.
void separateLines(std::vector<PlacedText>& texts) {
    std::stable_sort(texts.begin(), texts.end(), [](const PlacedText& a, const PlacedText& b) { return a.y < b.y; });
    for (std::size_t i = 1; i < texts.size(); ++i) {
        bool moved = true;
        while (moved) {
            moved = false;
            for (std::size_t j = 0; j < i; ++j)
                if (texts[j].box.intersects(texts[i].box)) {
                    moveText(texts[i], 0, texts[j].box.bottom() + 1 - texts[i].y);
                    moved = true;
                }
        }
    }
}

// Places a block of texts: its own place when free, else the placer's. A
// block without a free place goes as near its own place as the area allows;
// false then.
bool placeBlock(BlockPlacer& placer, std::vector<PlacedText>& texts) {
    if (texts.empty()) return true;
    const QRect bounds = boundsOf(texts);
    const std::optional<QPoint> at = placer.place(bounds);
    const QPoint to = at ? *at : placer.clamped(bounds).topLeft();
    if (!at) placer.take(QRect(to, bounds.size()));
    const QPoint delta = to - bounds.topLeft();
    for (PlacedText& t : texts) moveText(t, delta.x(), delta.y());
    return at.has_value();
}

void append(ViewLayout& layout, std::vector<PlacedText>& texts) {
    layout.texts.insert(layout.texts.end(), std::make_move_iterator(texts.begin()),
                        std::make_move_iterator(texts.end()));
}

// The marker column's x for a text of len characters.
int markerColumn(const SpectrumStore& s, int width, int len) {
    return s.m_markerPixel <= width / 2 ? s.m_markerPixel + 5 : s.m_markerPixel - 8 * len;
}

std::vector<PlacedText> markerReadout(const ViewLayout& layout, const SpectrumStore& s, const PaintFigures& figures,
                                      const QFontMetrics& m) {
    std::vector<PlacedText> texts;
    const int w = layout.size.width();
    const int tm = s.m_marginTop;
    auto add = [&](std::string text, int y) {
        const int x = markerColumn(s, w, static_cast<int>(text.size()));
        texts.push_back(makeText(std::move(text), x, y, Font::Overlay, m));
    };
    if (layout.chart.marker) {
        const ChartMarker& mk = *layout.chart.marker;
        add(cformat(s.m_wavenumberAxis ? "%.2f 1/cm" : "%.2f nm", mk.x), tm + 20);
        add(cformat(s.m_ratioMode == 3 ? "y: %.3f" : "y: %.2f", mk.y), tm + 35);
    }
    if (figures.markerIrradianceShown) {
        add("uW/cm^2/nm:", tm + 65);
        add(cformat("%.2E", figures.markerIrradiance), tm + 85);
    }
    if (figures.concentrationShown) add(cformat("concentration: %.3f", figures.concentration), tm + 60);
    separateLines(texts);
    return texts;
}

std::vector<PlacedText> gaussianResult(const ViewLayout& layout, const SpectrumStore& s, const QFontMetrics& m) {
    std::vector<PlacedText> texts;
    if (s.m_gaussCleared) return texts;
    const int x = layout.size.width() - s.m_marginRight - 150;
    texts.push_back(makeText(cformat("center: %.2f nm", s.m_gaussCenter), x, s.m_marginTop + 20, Font::Overlay, m));
    texts.push_back(makeText(cformat("Width %.2f nm", 0.48 * s.m_gaussWidth), x, s.m_marginTop + 40, Font::Overlay, m));
    return texts;
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

bool chromaticityShown(const SpectrumStore& s, const PaintFigures& figures) {
    return s.m_chromaticityView && figures.chromaticityShown && s.m_diagramScale > 0;
}

// The diagram picture: its place and size as the chart's rules give them.
QRect diagramPlace(const ViewLayout& layout, const SpectrumStore& s) {
    const int p = layout.size.width() - s.m_marginRight - s.m_marginLeft;
    const int pictureWidth = clampInt(p / s.m_diagramScale);
    if (pictureWidth <= 0) return {};
    return QRect(s.m_marginLeft + 5, s.m_marginTop + 5, pictureWidth, pictureWidth * kDiagramHeight / kDiagramWidth);
}

// The figures' table: the chart's places, right of the picture, in the
// text size of textScale.
std::vector<PlacedText> chromaticityTexts(const ViewLayout& layout, const SpectrumStore& s,
                                          const PaintFigures& figures, const QRect& picture, double textScale,
                                          const QFontMetrics& m) {
    std::vector<PlacedText> texts;
    const int w = layout.size.width(), h = layout.size.height();
    const int lm = s.m_marginLeft, tm = s.m_marginTop, rm = s.m_marginRight, bm = s.m_marginBottom;
    const int p = w - rm - lm;
    const ColorimetryResult& c = figures.colorimetry;
    const bool coloured = std::isfinite(c[ColorimetryResult::kX]) && std::isfinite(c[ColorimetryResult::kY]);

    int x0 = lm + clampInt(p / (1.5 * s.m_diagramScale));
    if (!picture.isEmpty()) x0 = std::max(x0, picture.right() + 1 + 2 * kBlockGap);
    const int y0 = tm + (h - tm - bm) / 30;
    const double ts = textScale;
    auto line = [&](int k) { return y0 + clampInt(105 * k / ts); };
    auto add = [&](std::string text, int x, int y) {
        texts.push_back(makeText(std::move(text), x, y, Font::Chromaticity, m));
    };
    const char* formats[] = {"x = %.2f", "y = %.2f", "z = %.2f", "u = %.2f", "v = %.2f"};
    for (int k = 0; k < 5; ++k) add(overlayText(formats[k], c[static_cast<std::size_t>(k)]), x0, line(k));
    // The temperature shows as a whole number of kelvin, truncated.
    add(overlayText("T = %.0f", std::trunc(c[ColorimetryResult::kTc])), x0, line(5));
    add(overlayText("DC=%.0E", c[ColorimetryResult::kDC]), x0, line(6));
    const int x1 = x0 + clampInt(385 / ts), x2 = x0 + clampInt(630 / ts);
    for (int k = 0; k < 7; ++k) {
        add(overlayText(cformat("R%d=%%.0f", k + 1).c_str(), c[ColorimetryResult::kR1 + static_cast<std::size_t>(k)]), x1,
            line(k));
        add(overlayText(cformat("R%d=%%.0f", k + 8).c_str(), c[ColorimetryResult::kR1 + 7 + static_cast<std::size_t>(k)]),
            x2, line(k));
    }
    add(overlayText("CRI Ra(1-8)=%.1f", c[ColorimetryResult::kRa]), x2, y0 + clampInt(735 / ts));
    add(overlayText("CRI Re(1-14)=%.1f", c[ColorimetryResult::kRe]), x2, y0 + clampInt(840 / ts));
    add(overlayText("%.2E lm", figures.lumen), x2, y0 + clampInt(945 / ts));
    // Below the table, so it never runs into the rendering indices.
    if (!coloured) add("no light: no colour figures", x0, y0 + clampInt(1050 / ts));
    return texts;
}

std::vector<PlacedText> energyBlock(const ViewLayout& layout, const SpectrumStore& s, const PaintFigures& figures,
                                    const QFontMetrics& m) {
    std::vector<PlacedText> texts;
    if (!s.m_calcEnergy || s.m_liveAcquisition.fast() || !figures.energy.shown) return texts;
    const int x = layout.size.width() - s.m_marginLeft - 150;
    const int tm = s.m_marginTop;
    auto add = [&](std::string text, int y) { texts.push_back(makeText(std::move(text), x, y, Font::Overlay, m)); };
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
    return texts;
}

QRect plotArea(const ChartGeometry& g) {
    return QRect(QPoint(truncPixel(g.left) + 2, truncPixel(g.top) + 2),
                 QPoint(truncPixel(g.right) - 2, truncPixel(g.bottom) - 2));
}

// Every block but the legend, with the chromaticity texts at textScale.
// False when some block found no free place.
bool describeOverlays(ViewLayout& layout, BlockPlacer& placer, const SpectrumStore& s, const PaintFigures& figures,
                      double textScale) {
    const QFontMetrics overlay(overlayFont()), chroma(chromaticityFont(textScale));
    bool fits = true;
    if (chromaticityShown(s, figures)) {
        const ColorimetryResult& c = figures.colorimetry;
        layout.chromaticity = true;
        QRect picture = diagramPlace(layout, s);
        if (!picture.isEmpty()) {
            const std::optional<QPoint> at = placer.place(picture);
            fits = fits && at.has_value();
            picture.moveTopLeft(at ? *at : placer.clamped(picture).topLeft());
            if (!at) placer.take(picture);
            layout.diagramTarget = picture;
        }
        if (std::isfinite(c[ColorimetryResult::kX]) && std::isfinite(c[ColorimetryResult::kY]))
            layout.diagramMarker = diagramMarkerRect(c[ColorimetryResult::kX], c[ColorimetryResult::kY]);
        std::vector<PlacedText> table = chromaticityTexts(layout, s, figures, picture, textScale, chroma);
        fits = placeBlock(placer, table) && fits;
        append(layout, table);
    }
    std::vector<PlacedText> energy = energyBlock(layout, s, figures, overlay);
    fits = placeBlock(placer, energy) && fits;
    std::vector<PlacedText> gauss = gaussianResult(layout, s, overlay);
    fits = placeBlock(placer, gauss) && fits;
    std::vector<PlacedText> readout = markerReadout(layout, s, figures, overlay);
    fits = placeBlock(placer, readout) && fits;
    // The marker readout first, as the chart lists its texts.
    append(layout, readout);
    append(layout, gauss);
    append(layout, energy);
    return fits;
}

// The legend of the visible named curves, top right when there is room;
// with too little room it lists as many as fit and says how many more.
void describeLegend(ViewLayout& layout, BlockPlacer& placer, const ChartParams& chart) {
    std::vector<const StoredCurve*> named;
    for (const StoredCurve& c : chart.curves)
        if (c.visible && !c.name.empty()) named.push_back(&c);
    if (named.empty()) return;
    const QFontMetrics m(overlayFont());
    const int lineHeight = m.height() + 1;
    for (std::size_t shown = named.size(); shown >= 1; --shown) {
        std::vector<PlacedText> texts;
        std::vector<LegendSwatch> swatches;
        const int textX = kLegendPadding + kSwatchLength + kSwatchGap;
        for (std::size_t i = 0; i < shown; ++i) {
            const int y = kLegendPadding + static_cast<int>(i) * lineHeight;
            texts.push_back(makeText(std::string(named[i]->name), textX, y, Font::Overlay, m));
            const int mid = y + m.height() / 2;
            swatches.push_back({QLine(kLegendPadding, mid, kLegendPadding + kSwatchLength, mid),
                                curveColour(named[i]->red, named[i]->green, named[i]->blue)});
        }
        if (shown < named.size()) {
            const int y = kLegendPadding + static_cast<int>(shown) * lineHeight;
            texts.push_back(makeText(cformat("+ %d more", static_cast<int>(named.size() - shown)), textX, y,
                                     Font::Overlay, m));
        }
        const QRect frame = boundsOf(texts).adjusted(-textX, -kLegendPadding, kLegendPadding, kLegendPadding);
        const QRect wanted(QPoint(placer.area().right() + 1 - frame.width(), placer.area().top()), frame.size());
        const std::optional<QPoint> at = placer.place(wanted);
        if (!at) continue;
        const QPoint delta = *at - frame.topLeft();
        for (PlacedText& t : texts) moveText(t, delta.x(), delta.y());
        for (LegendSwatch& sw : swatches) sw.line.translate(delta);
        layout.legendFrame = frame.translated(delta);
        layout.legendSwatches = std::move(swatches);
        append(layout, texts);
        return;
    }
}

// The first colour bar: the visible x range across the plot width, in whole
// nanometres, just above the plot's bottom edge.
void drawColourBar1(QPainter& painter, const SpectrumStore& s, const ChartGeometry& g) {
    const int left = truncPixel(g.left), bottom = truncPixel(g.bottom);
    const int p = truncPixel(g.right) - left;
    if (p <= 0) return;
    const double xMin = s.m_xMin, xMax = s.m_xMax;
    for (int i = 0; i <= p; ++i) {
        const long long lambda = truncClamp(xMin + i * (xMax - xMin) / p, -1000000, 1000000);
        const std::optional<QColor> colour = wavelengthColour(static_cast<double>(lambda));
        if (!colour) continue;
        painter.setPen(QPen(*colour, 1, Qt::SolidLine));
        const int x = left + i + 1;
        painter.drawLine(x, bottom - 20, x, bottom - 50);
    }
}

void drawTexts(QPainter& painter, const ViewLayout& layout) {
    const QFont overlay = overlayFont();
    const QFont chroma = chromaticityFont(layout.chromaticityTextScale > 0 ? layout.chromaticityTextScale : 1.0);
    const QFontMetrics overlayMetrics(overlay), chromaMetrics(chroma);
    painter.setPen(Qt::black);
    // Texts stand on white, so they stay readable over curves and grid.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(Qt::white);
    for (const PlacedText& t : layout.texts) {
        const bool isChroma = t.font == Font::Chromaticity;
        painter.setFont(isChroma ? chroma : overlay);
        const int ascent = isChroma ? chromaMetrics.ascent() : overlayMetrics.ascent();
        painter.drawText(QPoint(t.x, t.y + ascent), qtext(t.text));
    }
    painter.setBackgroundMode(Qt::TransparentMode);
}

void drawLegendFrame(QPainter& painter, const ViewLayout& layout) {
    if (layout.legendFrame.isEmpty()) return;
    painter.setPen(QPen(QColor(120, 120, 120), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(layout.legendFrame);
    painter.setBrush(Qt::NoBrush);
    for (const LegendSwatch& sw : layout.legendSwatches) {
        painter.setPen(QPen(sw.colour, 2, Qt::SolidLine));
        painter.drawLine(sw.line);
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

// A pixel axis: every point's "wavelength" is its index.
bool isPixelAxis(const SpectrumStore& s) {
    const int last = std::clamp<int>(s.m_lastIndex, 0, kPointCapacity - 1);
    for (int i = 0; i <= last; ++i)
        if (s.m_wavelength[i] != i) return false;
    return true;
}

}  // namespace

std::string xAxisTitle(const SpectrumStore& s) {
    if (s.m_wavenumberAxis) return "Raman shift (1/cm)";
    return isPixelAxis(s) ? "Pixel" : "Wavelength (nm)";
}

std::string yAxisTitle(const SpectrumStore& s) {
    // As the shown spectrum was conditioned: a ratio needs its reference.
    const ConditioningParams& c = s.m_liveAcquisition.settings.conditioning;
    const int mode = c.reference ? c.ratioMode : 0;
    const char* quantity = mode == 1 ? "R (%)" : mode == 2 ? "T (%)" : mode == 3 ? "Absorbance" : "Counts";
    return c.logScale ? std::string("ln ") + quantity : std::string(quantity);
}

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
    p.xTitle = xAxisTitle(s);
    p.yTitle = yAxisTitle(s);
    return p;
}

PlotFrame plotFrameOf(const ChartLayout& chart) {
    const ChartGeometry& g = chart.geometry;
    PlotFrame f;
    f.clientWidth = truncPixel(g.width);
    f.clientHeight = truncPixel(g.height);
    f.left = truncPixel(g.left);
    f.top = truncPixel(g.top);
    f.right = truncPixel(g.right);
    f.bottom = truncPixel(g.bottom);
    return f;
}

ViewLayout describeView(QSize size, const SpectrumStore& s, const PaintFigures& figures,
                        const ViewInteraction& interaction, const ViewOptions& options) {
    return describeView(chartParamsFromStore(s, size), s, figures, interaction, options);
}

ViewLayout describeView(const ChartParams& chart, const SpectrumStore& s, const PaintFigures& figures,
                        const ViewInteraction& interaction, const ViewOptions& options) {
    ViewLayout layout;
    layout.size = chart.surface;
    layout.chart = describeChart(chart);
    const PlotFrame frame = plotFrameOf(layout.chart);
    if (interaction.zoomDragging) {
        layout.zoomRectangle = true;
        const QPoint a(interaction.zoomStart.x + frame.left, interaction.zoomStart.y + frame.top);
        const QPoint b(interaction.zoomCurrent.x + frame.left, interaction.zoomCurrent.y + frame.top);
        layout.zoomRect = QRect(a, b).normalized();
    }

    const QRect area = plotArea(layout.chart.geometry);
    const bool chroma = chromaticityShown(s, figures);
    double textScale = s.m_diagramScale > 0 ? s.m_diagramScale : 1.0;
    BlockPlacer placer(area, kBlockGap);
    // The layout as the rules give it; while some block finds no free place
    // the chromaticity texts, the largest block, get smaller.
    for (;;) {
        layout.texts.clear();
        layout.chromaticity = false;
        layout.diagramTarget = layout.diagramMarker = QRect();
        placer = BlockPlacer(area, kBlockGap);
        const bool fits = describeOverlays(layout, placer, s, figures, textScale);
        layout.chromaticityTextScale = textScale;
        if (fits || !chroma || chromaticityTextHeight(textScale * kShrinkStep) < kSmallestChromaticityText) break;
        textScale *= kShrinkStep;
    }
    if (options.legend) describeLegend(layout, placer, chart);
    return layout;
}

ViewLayout renderView(QPainter& painter, QSize size, const SpectrumStore& s, const PaintFigures& figures,
                      const ViewInteraction& interaction, const ViewOptions& options) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    // The chart is laid out once: its curves, ticks and marker, then the
    // overlays placed around them.
    const ChartParams chart = chartParamsFromStore(s, size);
    ViewLayout layout = describeView(chart, s, figures, interaction, options);
    if (s.m_colorBar1) drawColourBar1(painter, s, layout.chart.geometry);
    drawChart(painter, chart, layout.chart);

    if (layout.zoomRectangle) {
        painter.setPen(QPen(QColor(255, 0, 0), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(layout.zoomRect);
    }
    if (layout.chromaticity) drawDiagram(painter, layout);
    drawLegendFrame(painter, layout);
    drawTexts(painter, layout);
    painter.restore();
    return layout;
}

QImage renderViewImage(QSize size, const SpectrumStore& store, const PaintFigures& figures,
                       const ViewInteraction& interaction, const ViewOptions& options) {
    if (size.width() <= 0 || size.height() <= 0) return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderView(painter, size, store, figures, interaction, options);
    return image;
}

}  // namespace halden
