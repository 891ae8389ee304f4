#include "display/ChromaticityDiagram.h"

namespace halden {

double diagramColumn(double x) { return 1145 * x / 0.8 + 113; }
double diagramRow(double y) { return 1337 - 1287 * y / 0.9; }
QRect diagramMarkerRect(double, double) { return {}; }
const QImage& chromaticityDiagram() {
    static const QImage image(kDiagramWidth, kDiagramHeight, QImage::Format_RGB32);
    return image;
}

}  // namespace halden
