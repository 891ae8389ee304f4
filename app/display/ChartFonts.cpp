#include "display/ChartFonts.h"

namespace halden {

QFont axisFont(double unit) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(static_cast<int>(1.5 * unit) > 0 ? static_cast<int>(1.5 * unit) : 1);
    f.setItalic(true);
    return f;
}

QFont overlayFont() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(13);
    return f;
}

QFont chromaticityFont(double diagramScale) {
    QFont f(QStringLiteral("Liberation Mono"));
    f.setPixelSize(static_cast<int>(80 / diagramScale));
    f.setBold(true);
    f.setItalic(true);
    return f;
}

}  // namespace halden
