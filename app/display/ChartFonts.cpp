#include "display/ChartFonts.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

#include "spectrum/DialogText.h"

namespace halden {

namespace {

// A font whose line height (ascent + descent) is `height` pixels: the height
// the chart's sizes give is the whole character cell, not the em size.
QFont fontOfCellHeight(const QString& family, int height) {
    QFont f(family);
    height = std::max(height, 1);
    f.setPixelSize(height);
    const double cell = QFontMetricsF(f).height();
    if (cell > 0) f.setPixelSize(std::max(1, static_cast<int>(std::lround(height * height / cell))));
    return f;
}

}  // namespace

int axisFontHeight(double unit) { return static_cast<int>(truncClamp(1.5 * unit, 1, 1000)); }

int chromaticityTextHeight(double diagramScale) {
    return diagramScale > 0 ? static_cast<int>(truncClamp(80 / diagramScale, 1, 1000)) : 1;
}

int chromaticityTextWidth(double diagramScale) {
    return diagramScale > 0 ? static_cast<int>(truncClamp(40 / diagramScale, 1, 1000)) : 1;
}

QFont axisFont(double unit) {
    QFont f = fontOfCellHeight(QStringLiteral("Liberation Sans"), axisFontHeight(unit));
    f.setWeight(QFont::Normal);
    f.setItalic(true);
    return f;
}

QFont axisTitleFont(double unit) {
    QFont f = fontOfCellHeight(QStringLiteral("Liberation Sans"), static_cast<int>(truncClamp(unit, 1, 1000)));
    f.setWeight(QFont::Normal);
    return f;
}

QFont overlayFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(13);
    return f;
}

QFont chromaticityFont(double diagramScale) {
    QFont f = fontOfCellHeight(QStringLiteral("Liberation Mono"), chromaticityTextHeight(diagramScale));
    f.setWeight(QFont::Bold);
    f.setItalic(true);
    // The character width the diagram scale gives, by stretching the face.
    const double average = QFontMetricsF(f).averageCharWidth();
    if (average > 0)
        f.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * chromaticityTextWidth(diagramScale) / average)), 1,
                                4000));
    return f;
}

}  // namespace halden
