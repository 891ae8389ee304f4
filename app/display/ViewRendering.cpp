#include "display/ViewRendering.h"

#include <QPainter>

namespace halden {

ChartParams chartParamsFromStore(const SpectrumStore&, QSize size) {
    ChartParams p;
    p.surface = size;
    return p;
}
ViewLayout describeView(QSize size, const SpectrumStore&, const PaintFigures&, const ViewInteraction&) {
    ViewLayout l;
    l.size = size;
    return l;
}
void renderView(QPainter&, QSize, const SpectrumStore&, const PaintFigures&, const ViewInteraction&) {}
QImage renderViewImage(QSize size, const SpectrumStore& store, const PaintFigures& figures,
                       const ViewInteraction& interaction) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    renderView(p, size, store, figures, interaction);
    return image;
}

}  // namespace halden
