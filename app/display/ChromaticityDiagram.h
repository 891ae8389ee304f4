// The CIE 1931 chromaticity diagram behind the chromaticity view: a
// 1300 x 1462 picture (spectral locus with wavelength labels, purple line,
// the area in approximate display colours, axes, grid and the Planckian
// locus), made once per process from the built-in observer table.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRgb>
#include <QRect>
#include <QSize>

namespace halden {

inline constexpr int kDiagramWidth = 1300;
inline constexpr int kDiagramHeight = 1462;

// Image position of chromaticity (x, y): x 0..0.8 on columns 113..1258,
// y 0..0.9 on rows 1337..50.
double diagramColumn(double x);
double diagramRow(double y);

// The marker rectangle around (x, y): 30 x 30 pixels, truncated edges.
QRect diagramMarkerRect(double x, double y);

// Chromaticity (x, y) of the spectral colour at nm (360..830 nm).
QPointF spectralChromaticity(int nm);

// Chromaticity of a black body at kelvin, by Planck's law over the observer.
QPointF planckianChromaticity(double kelvin);

// An approximate display colour of chromaticity (x, y): the sRGB of the
// brightest colour with that chromaticity, out-of-gamut parts clipped; pale
// lightens each channel towards white (0 not at all, 0.35 for print).
QRgb chromaticityDisplayColour(double x, double y, double pale = 0);

// The picture, built on the first call; later calls return the same image.
const QImage& chromaticityDiagram();

// Its 1299 x 1461 area from the top-left corner stretched to size; the last
// size asked for is kept, so repeated paints of one window size reuse it.
QImage scaledChromaticityDiagram(QSize size);

}  // namespace halden
