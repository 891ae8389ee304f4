// The TM-30 colour vector graphic: the reference as a unit circle, the test
// source's 16 hue-bin averages as a polygon around it (each relative to its
// reference average, so a bin rendered faithfully lies on the circle), an
// arrow per bin from the circle to the test point in the bin's hue, and the
// figures Rf, Rg, CCT and Duv.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>

#include "colour/ColourRendition.h"

class QPainter;

namespace halden {

// Bin j's test point (0-based j) in the graphic's unit coordinates: the
// middle of the bin on the unit circle plus the bin's colour shift over the
// reference average's distance from neutral; y grows upwards.
QPointF vectorGraphicTestPoint(const ColourRendition& r, int bin);

// The bin's middle on the unit circle.
QPointF vectorGraphicReferencePoint(int bin);

// The colour of bin j's arrow: a hue from red (bin 1) round to purple (bin 16).
QColor hueBinColour(int bin);

// Draws the graphic into a square of side `size` at the painter's origin.
void drawColourVectorGraphic(QPainter& painter, int size, const ColourRendition& r);

// The graphic as a picture of side `size` on white.
QImage colourVectorGraphicImage(int size, const ColourRendition& r);

}  // namespace halden
