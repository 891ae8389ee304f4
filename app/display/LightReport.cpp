#include "display/LightReport.h"

#include <QBuffer>
#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <set>

#include "colour/CFormat.h"
#include "colour/ColourTables.h"
#include "colour/LightTables.h"
#include "colour/LightText.h"
#include "colour/ReferenceIlluminants.h"
#include "display/ChromaShiftBars.h"
#include "display/ChromaticityDiagram.h"
#include "display/ColourVectorGraphic.h"
#include "files/AtomicFile.h"

namespace halden {
namespace {

constexpr double kMargin = 38;  // 1/96 inch, about 1 cm
const QColor kFrame(90, 90, 90);
const QColor kGrid(215, 215, 215);

QFont font(double points, bool bold = false) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

// Text with its baseline at y.
void text(QPainter& p, double x, double y, const QString& s, double points = 8, bool bold = false) {
    p.setFont(font(points, bold));
    p.setPen(Qt::black);
    p.drawText(QPointF(x, y), s);
}

void rightText(QPainter& p, double right, double y, const QString& s, double points = 8, bool bold = false) {
    p.setFont(font(points, bold));
    p.setPen(Qt::black);
    p.drawText(QPointF(right - QFontMetricsF(p.font()).horizontalAdvance(s), y), s);
}

void heading(QPainter& p, double x, double y, const QString& s) { text(p, x, y, s, 10, true); }

// Collects the reasons of figures left out, for the notes at the foot.
class Notes {
public:
    std::string operator()(const Figure& f, const char* format) {
        if (f.ok()) return cformat(format, f.value);
        m_reasons.insert(f.reason);
        return "none";
    }
    void add(const std::string& reason) {
        if (!reason.empty()) m_reasons.insert(reason);
    }
    const std::set<std::string>& reasons() const { return m_reasons; }

private:
    std::set<std::string> m_reasons;
};

// ------------------------------------------------------------- spectrum plot

void drawSpectrum(QPainter& p, const QRectF& box, const LightReport& r) {
    heading(p, box.left(), box.top() + 10, QStringLiteral("Spectrum (relative)"));
    const QRectF plot(box.left() + 34, box.top() + 20, box.width() - 40, box.height() - 46);
    const std::vector<double>& nm = r.wavelength;
    const std::vector<double>& v = r.value;
    if (nm.size() < 2) return;
    const double from = std::floor(nm.front() / 50) * 50, to = std::ceil(nm.back() / 50) * 50;
    double top = 0;
    for (double y : v)
        if (std::isfinite(y)) top = std::max(top, y);
    if (!(top > 0) || !(to > from)) top = 1;
    auto at = [&](double x, double y) {
        return QPointF(plot.left() + (x - from) / (to - from) * plot.width(),
                       plot.bottom() - std::clamp(y / (top * 1.05), -0.05, 1.0) * plot.height());
    };
    // The visible band under the axis.
    for (int w = 380; w < 780; w += 2) {
        if (w < from || w + 2 > to) continue;
        const ObserverRow& o = ObserverTable[w - kGridFirstNm];
        const double sum = o.x + o.y + o.z;
        const double x = o.x / sum, y = o.y / sum, Y = std::min(1.0, o.y * 1.6 + 0.05);
        const double X = x / y * Y, Z = (1 - x - y) / y * Y;
        auto channel = [](double c) {
            c = std::clamp(c, 0.0, 1.0);
            return static_cast<int>(255 * (c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055));
        };
        const QColor colour(channel(3.2406 * X - 1.5372 * Y - 0.4986 * Z), channel(-0.9689 * X + 1.8758 * Y + 0.0415 * Z),
                            channel(0.0557 * X - 0.2040 * Y + 1.0570 * Z));
        p.fillRect(QRectF(at(w, 0).x(), plot.bottom() + 1, at(w + 2, 0).x() - at(w, 0).x() + 0.3, 4), colour);
    }
    p.setFont(font(7));
    const QFontMetricsF fm(p.font());
    const double step = to - from > 400 ? 100 : 50;
    for (double x = std::ceil(from / step) * step; x <= to + 1e-9; x += step) {
        p.setPen(QPen(kGrid, 0.5));
        p.drawLine(at(x, 0), QPointF(at(x, 0).x(), plot.top()));
        p.setPen(Qt::black);
        const QString label = QString::number(x, 'f', 0);
        p.drawText(QPointF(at(x, 0).x() - fm.horizontalAdvance(label) / 2, plot.bottom() + 6 + fm.ascent()), label);
    }
    for (int k = 0; k <= 4; ++k) {
        const double y = plot.bottom() - k * plot.height() / 4 / 1.05;
        p.setPen(QPen(kGrid, 0.5));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(Qt::black);
        const QString label = QString::number(k * 0.25, 'f', 2);
        p.drawText(QPointF(plot.left() - 4 - fm.horizontalAdvance(label), y + fm.ascent() / 2 - 1), label);
    }
    QPolygonF curve;
    for (std::size_t i = 0; i < nm.size(); ++i)
        if (std::isfinite(v[i])) curve << at(nm[i], v[i]);
    p.setPen(QPen(QColor(20, 40, 160), 0.8));
    p.drawPolyline(curve);
    p.setPen(QPen(kFrame, 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
    const QString axis = QStringLiteral("wavelength (nm)");
    text(p, plot.center().x() - QFontMetricsF(font(7)).horizontalAdvance(axis) / 2, plot.bottom() + 26, axis, 7);
}

// --------------------------------------------------------------- CIE 1931

void drawDiagram(QPainter& p, const QRectF& box, const LightReport& r) {
    heading(p, box.left(), box.top() + 10, QStringLiteral("CIE 1931 chromaticity"));
    const double height = box.height() - 40, width = height * 0.8 / 0.9;
    const QRectF plot(box.right() - width - 4, box.top() + 20, width, height);
    auto at = [&](double x, double y) {
        return QPointF(plot.left() + x / 0.8 * plot.width(), plot.bottom() - y / 0.9 * plot.height());
    };
    QPainterPath locus;
    locus.moveTo(at(spectralChromaticity(380).x(), spectralChromaticity(380).y()));
    for (int nm = 381; nm <= 700; ++nm) locus.lineTo(at(spectralChromaticity(nm).x(), spectralChromaticity(nm).y()));
    locus.closeSubpath();

    // The area in display colours: a small picture clipped to the locus.
    QImage colours(160, 180, QImage::Format_RGB32);
    for (int row = 0; row < colours.height(); ++row)
        for (int col = 0; col < colours.width(); ++col) {
            const double x = (col + 0.5) / colours.width() * 0.8, y = 0.9 - (row + 0.5) / colours.height() * 0.9;
            colours.setPixel(col, row, y > 0.005 ? chromaticityDisplayColour(x, y, 0.35) : qRgb(255, 255, 255));
        }
    p.save();
    p.setClipPath(locus);
    p.drawImage(plot, colours);
    p.restore();

    p.setFont(font(7));
    const QFontMetricsF fm(p.font());
    for (int i = 0; i <= 8; ++i) {
        const QPointF a = at(i / 10.0, 0);
        p.setPen(QPen(kGrid, 0.5));
        p.drawLine(a, at(i / 10.0, 0.9));
        p.setPen(Qt::black);
        const QString label = QString::number(i / 10.0, 'f', 1);
        p.drawText(QPointF(a.x() - fm.horizontalAdvance(label) / 2, plot.bottom() + 3 + fm.ascent()), label);
    }
    for (int i = 0; i <= 9; ++i) {
        const QPointF a = at(0, i / 10.0);
        p.setPen(QPen(kGrid, 0.5));
        p.drawLine(a, at(0.8, i / 10.0));
        p.setPen(Qt::black);
        const QString label = QString::number(i / 10.0, 'f', 1);
        p.drawText(QPointF(plot.left() - 3 - fm.horizontalAdvance(label), a.y() + fm.ascent() / 2 - 1), label);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 0.8));
    p.drawPath(locus);
    for (int nm : {460, 480, 500, 520, 540, 560, 580, 600, 620}) {
        const QPointF c = spectralChromaticity(nm), w(1.0 / 3, 1.0 / 3);
        QPointF d = c - w;
        d /= std::hypot(d.x(), d.y());
        const QPointF label = at(c.x() + 0.04 * d.x(), c.y() + 0.04 * d.y());
        if (!plot.adjusted(8, 8, -8, -8).contains(label)) continue;
        const QString s = QString::number(nm);
        p.drawText(QPointF(label.x() - fm.horizontalAdvance(s) / 2, label.y() + fm.ascent() / 2 - 1), s);
    }
    QPolygonF planckian;
    for (double t = 1000; t <= 20000; t *= 1.05) {
        const QPointF c = planckianChromaticity(t);
        planckian << at(c.x(), c.y());
    }
    p.setPen(QPen(Qt::black, 0.6));
    p.drawPolyline(planckian);

    p.setPen(QPen(kFrame, 0.8));
    p.drawRect(plot);
    text(p, plot.right() + 3, plot.bottom() + 3, QStringLiteral("x"), 8, true);
    text(p, plot.left() - 26, plot.top() + 14, QStringLiteral("y"), 8, true);

    if (r.light.colourError.empty()) {
        const double x = r.light.colorimetry[ColorimetryResult::kX], y = r.light.colorimetry[ColorimetryResult::kY];
        const QPointF c = at(x, y);
        p.setPen(QPen(Qt::white, 1.2));
        p.setBrush(Qt::black);
        p.drawEllipse(c, 3.2, 3.2);
        text(p, c.x() + 6, c.y() - 5, q(cformat("(%.4f, %.4f)", x, y)), 7, true);
    }
}

// ------------------------------------------------------------- the figures

void drawFigureColumns(QPainter& p, double top, double width, const LightReport& r, Notes& notes) {
    using R = ColorimetryResult;
    const LightFigures& f = r.light;
    const ColourRendition& t = r.rendition;
    heading(p, kMargin, top + 10, QStringLiteral("Colour"));
    auto colour = [&](const char* name, std::size_t i, const char* format) {
        if (!f.colourError.empty()) {
            notes.add(f.colourError);
            return std::string(name) + " none";
        }
        return std::string(name) + " " + cformat(format, f.colorimetry[i]);
    };
    std::vector<std::string> first = {
        t.ok ? cformat("CCT %.0f K", t.cct) : (notes.add(t.error), std::string("CCT none")),
        t.ok ? cformat("Duv %.4f", std::fabs(t.duv) < 0.00005 ? 0.0 : t.duv) : std::string("Duv none"),
        colour("x", R::kX, "%.4f"),
        colour("y", R::kY, "%.4f"),
        "u\u2032 " + notes(f.uPrime, "%.4f"),
        "v\u2032 " + notes(f.vPrime, "%.4f"),
    };
    std::string dominant = f.complementary ? "Complementary wavelength " : "Dominant wavelength ";
    dominant += f.dominantWavelength.ok() ? cformat("%.1f nm", f.dominantWavelength.value)
                                          : (f.purity.ok() && f.purity.value < 0.001 ? "none (white)"
                                                                                     : notes(f.dominantWavelength, ""));
    std::vector<std::string> second = {
        dominant,
        "Excitation purity " + notes(f.purity, "%.3f"),
        "Peak wavelength " + notes(f.peakWavelength, "%.1f nm"),
        "Centroid wavelength " + notes(f.centroidWavelength, "%.1f nm"),
        "FWHM " + notes(f.fwhm, "%.1f nm"),
    };
    std::vector<std::string> third = {
        "SSI 3200 K " + notes(f.ssi3200K, "%.0f"),
        "SSI D55 " + notes(f.ssiD55, "%.0f"),
        "SSI matched " + notes(f.ssiMatched, "%.0f"),
    };
    const double column = width / 3;
    const std::vector<std::string>* columns[] = {&first, &second, &third};
    for (int c = 0; c < 3; ++c)
        for (std::size_t i = 0; i < columns[c]->size(); ++i)
            text(p, kMargin + c * column, top + 28 + 13 * i, q((*columns[c])[i]), 8.5);
}

// Vertical bars of values on a 0..100 scale (lower when a value is below 0).
void drawBars(QPainter& p, const QRectF& plot, const std::vector<std::string>& labels, const std::vector<double>& values,
              const std::vector<QColor>& colours) {
    double low = 0;
    for (double v : values)
        if (std::isfinite(v)) low = std::min(low, std::floor(v / 20) * 20);
    low = std::max(low, -100.0);
    // Room above 100 for the values over the bars.
    auto yOf = [&](double v) { return plot.bottom() - (std::clamp(v, low, 100.0) - low) / (110 - low) * plot.height(); };
    p.setFont(font(6.5));
    const QFontMetricsF fm(p.font());
    for (double v = low; v <= 100 + 1e-9; v += 20) {
        p.setPen(QPen(v == 0 ? kFrame : kGrid, 0.5));
        p.drawLine(QPointF(plot.left(), yOf(v)), QPointF(plot.right(), yOf(v)));
        p.setPen(Qt::black);
        const QString label = QString::number(v, 'f', 0);
        p.drawText(QPointF(plot.left() - 3 - fm.horizontalAdvance(label), yOf(v) + fm.ascent() / 2 - 1), label);
    }
    const double slot = plot.width() / static_cast<double>(values.size());
    p.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double left = plot.left() + slot * i;
        const double v = values[i];
        if (std::isfinite(v)) {
            const QRectF bar(QPointF(left + slot * 0.15, yOf(std::max(v, 0.0))), QPointF(left + slot * 0.85, yOf(std::min(v, 0.0))));
            p.fillRect(bar, colours[i % colours.size()]);
            p.setPen(QPen(kFrame, 0.4));
            p.drawRect(bar);
            p.setPen(Qt::black);
            const QString value = QString::number(v, 'f', 0);
            p.drawText(QPointF(left + slot / 2 - fm.horizontalAdvance(value) / 2, yOf(std::max(v, 0.0)) - 2), value);
        }
        const QString label = q(labels[i]);
        p.drawText(QPointF(left + slot / 2 - fm.horizontalAdvance(label) / 2, plot.bottom() + 3 + fm.ascent()), label);
    }
    p.setPen(QPen(kFrame, 0.6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
}

// An approximate colour of each CIE test colour sample under D65.
std::vector<QColor> testSampleColours() {
    double d65[kLightPoints];
    daylightOnGrid(cieDaylightKelvin(6500), true, kLightFirstNm, kLightPoints, d65);
    std::vector<QColor> out;
    for (int i = 0; i < kTestSamples; ++i) {
        double X = 0, Y = 0, Z = 0, Yw = 0;
        for (int k = 0; k < kLightPoints; ++k) {
            const int g = kLightFirstNm - kGridFirstNm + k;
            const double s = d65[k] * TestSampleTable[g][i];
            X += s * ObserverTable[g].x;
            Y += s * ObserverTable[g].y;
            Z += s * ObserverTable[g].z;
            Yw += d65[k] * ObserverTable[g].y;
        }
        X /= Yw;
        Y /= Yw;
        Z /= Yw;
        auto channel = [](double c) {
            c = std::clamp(c, 0.0, 1.0);
            return static_cast<int>(std::lround(255 * (c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055)));
        };
        out.emplace_back(channel(3.2406 * X - 1.5372 * Y - 0.4986 * Z), channel(-0.9689 * X + 1.8758 * Y + 0.0415 * Z),
                         channel(0.0557 * X - 0.2040 * Y + 1.0570 * Z));
    }
    return out;
}

void drawCri(QPainter& p, const QRectF& box, const LightReport& r, Notes& notes) {
    using R = ColorimetryResult;
    const LightFigures& f = r.light;
    const std::string& why = !f.colourError.empty() ? f.colourError : f.renderingError;
    heading(p, box.left(), box.top() + 10,
            q(why.empty() ? cformat("CRI (CIE 13.3)   Ra %.1f   Re %.1f", f.colorimetry[R::kRa], f.colorimetry[R::kRe])
                          : std::string("CRI (CIE 13.3)   Ra none")));
    if (!why.empty()) {
        notes.add(why);
        return;
    }
    std::vector<std::string> labels = {"Ra"};
    std::vector<double> values = {f.colorimetry[R::kRa]};
    std::vector<QColor> colours = {QColor(150, 150, 150)};
    const std::vector<QColor> samples = testSampleColours();
    for (int i = 0; i < kTestSamples; ++i) {
        labels.push_back(cformat("R%d", i + 1));
        values.push_back(f.colorimetry[R::kR1 + i]);
        colours.push_back(samples[i]);
    }
    drawBars(p, QRectF(box.left() + 22, box.top() + 24, box.width() - 26, box.height() - 40), labels, values, colours);
}

void drawTm30(QPainter& p, const QRectF& box, const LightReport& r, Notes& notes) {
    const ColourRendition& t = r.rendition;
    heading(p, box.left(), box.top() + 10,
            q(t.ok ? cformat("TM-30 (CIE 224:2017)   Rf %.0f   Rg %.0f", t.Rf, t.Rg) : std::string("TM-30   Rf, Rg none")));
    if (!t.ok) {
        notes.add(t.error);
        return;
    }
    const int side = static_cast<int>(std::min(box.height() - 18, box.width() * 0.5));
    p.save();
    p.translate(box.left(), box.top() + 16);
    drawColourVectorGraphic(p, side, t);
    p.restore();
    drawChromaShiftBars(p, QRectF(box.left() + side + 6, box.top() + 20, box.width() - side - 6, side - 8), t);
}

void drawCqs(QPainter& p, const QRectF& box, const LightReport& r, Notes& notes) {
    const QualityScaleFigures& c = r.light.cqs;
    heading(p, box.left(), box.top() + 10,
            q("CQS 9.0   Qa " + notes(c.Qa, "%.1f") + "   Qf " + notes(c.Qf, "%.1f") + "   Qp " + notes(c.Qp, "%.1f") +
              "   Qg " + notes(c.Qg, "%.1f")));
    if (!c.Qa.ok()) return;
    std::vector<std::string> labels;
    std::vector<double> values(c.Qi.begin(), c.Qi.end());
    for (int i = 0; i < kQualitySampleCount; ++i) labels.push_back(cformat("Q%d", i + 1));
    drawBars(p, QRectF(box.left() + 22, box.top() + 24, box.width() - 26, box.height() - 40), labels, values,
             {QColor(120, 150, 200)});
}

void drawAlphaOpic(QPainter& p, const QRectF& box, const LightReport& r, Notes& notes) {
    heading(p, box.left(), box.top() + 10, QStringLiteral("Alpha-opic quantities (CIE S 026)"));
    const double columns[] = {box.left(), box.left() + 80, box.left() + 170, box.left() + 260, box.left() + 320};
    const char* titles[] = {"Receptor", "E (mW/m\u00b2)", "ELR (mW/lm)", "DER", "EDI (lx)"};
    double y = box.top() + 30;
    for (int c = 0; c < 5; ++c) text(p, columns[c], y, QString::fromUtf8(titles[c]), 8, true);
    p.setPen(QPen(kFrame, 0.5));
    p.drawLine(QPointF(box.left(), y + 4), QPointF(box.right(), y + 4));
    for (int i = 0; i < kReceptors; ++i) {
        const AlphaOpicFigures& a = r.light.alphaOpic[i];
        y += 15;
        text(p, columns[0], y, QString::fromLatin1(kReceptorNames[i]), 8);
        text(p, columns[1], y, q(notes(a.irradiance, "%.4g")), 8);
        text(p, columns[2], y, q(notes(a.elr, "%.4f")), 8);
        text(p, columns[3], y, q(notes(a.der, "%.4f")), 8);
        text(p, columns[4], y, q(notes(a.edi, "%.4g")), 8);
    }
}

void drawPhotonFlux(QPainter& p, const QRectF& box, const LightReport& r, Notes& notes) {
    heading(p, box.left(), box.top() + 10, QString::fromUtf8("Photon flux (\u00b5mol m\u207b\u00b2 s\u207b\u00b9)"));
    const PhotonFluxFigures& f = r.light.photonFlux;
    const std::pair<const char*, const Figure*> rows[] = {
        {"PPFD 400-700 nm", &f.ppfd},   {"ePPFD 400-750 nm", &f.eppfd}, {"UV-A 315-400 nm", &f.uvA},
        {"Blue 400-500 nm", &f.blue},   {"Green 500-600 nm", &f.green}, {"Red 600-700 nm", &f.red},
        {"Far-red 700-750 nm", &f.farRed},
    };
    double y = box.top() + 30;
    for (const auto& [name, figure] : rows) {
        text(p, box.left(), y, QString::fromLatin1(name), 8);
        rightText(p, box.right(), y, q(notes(*figure, "%.4g")), 8);
        y += 14;
    }
    text(p, box.left(), y, QStringLiteral("R:FR (655-665 / 725-735 nm)"), 8);
    rightText(p, box.right(), y, q(notes(f.redFarRed, "%.3f")), 8);
}

void drawNotes(QPainter& p, double top, double width, const Notes& notes) {
    if (notes.reasons().empty()) return;
    text(p, kMargin, top, QStringLiteral("Figures marked none:"), 7, true);
    p.setFont(font(7));
    double y = top + 10;
    for (const std::string& why : notes.reasons()) {
        if (y > top + 40) break;
        p.drawText(QRectF(kMargin, y, width, 10), Qt::AlignLeft | Qt::TextSingleLine, q("- " + why));
        y += 9.5;
    }
}

}  // namespace

std::string reportTimeNow() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

void drawLightReport(QPainter& p, const LightReport& r, double pageWidth, double pageHeight) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double width = pageWidth - 2 * kMargin;
    const double half = width / 2;
    Notes notes;

    text(p, kMargin, kMargin + 14, QStringLiteral("Light report"), 16, true);
    rightText(p, pageWidth - kMargin, kMargin + 14, q(r.time), 9);
    text(p, kMargin, kMargin + 32, q("Instrument: " + r.instrument), 8.5);
    text(p, kMargin, kMargin + 45, q("Settings: " + r.settings), 8.5);
    p.setPen(QPen(kFrame, 0.8));
    p.drawLine(QPointF(kMargin, kMargin + 52), QPointF(pageWidth - kMargin, kMargin + 52));

    double top = kMargin + 58;
    drawSpectrum(p, QRectF(kMargin, top, half + 20, 265), r);
    drawDiagram(p, QRectF(kMargin + half + 30, top, half - 30, 265), r);
    top += 273;
    drawFigureColumns(p, top, width, r, notes);
    top += 110;
    drawCri(p, QRectF(kMargin, top, half - 10, 190), r, notes);
    drawCqs(p, QRectF(kMargin + half + 10, top, half - 10, 190), r, notes);
    top += 198;
    drawTm30(p, QRectF(kMargin, top, width, 225), r, notes);
    top += 233;
    drawAlphaOpic(p, QRectF(kMargin, top, half + 40, 110), r, notes);
    drawPhotonFlux(p, QRectF(kMargin + half + 60, top, half - 60, 140), r, notes);
    top += 148;
    drawNotes(p, std::min(top, pageHeight - kMargin - 40), width, notes);
    p.restore();
}

QByteArray lightReportPdf(const LightReport& report) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        pdf.setTitle(QStringLiteral("Light report"));
        pdf.setCreator(QStringLiteral("halden"));
        QPainter painter(&pdf);
        const QSizeF page = QPageSize(QPageSize::A4).sizePoints() / 72.0 * 96.0;
        drawLightReport(painter, report, page.width(), page.height());
    }
    buffer.close();
    return bytes;
}

std::string writeLightReportPdf(const std::string& path, const LightReport& report) {
    const QByteArray bytes = lightReportPdf(report);
    if (bytes.isEmpty()) return "cannot draw the light report";
    const WriteResult w = writeFileAtomically(path, std::string_view(bytes.constData(), bytes.size()));
    if (!w.ok) return "cannot write '" + path + "': " + w.error;
    return {};
}

}  // namespace halden
