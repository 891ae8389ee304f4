// The TM-30 local chroma shift chart: one bar per hue bin (Rcs,hj in per
// cent, bin 1 on the left), coloured like the colour vector graphic's
// arrows, around a zero line with a scale of at least +-20 %.
#pragma once

#include <QRectF>

#include "colour/ColourRendition.h"

class QPainter;

namespace halden {

// The half-range of the bar chart's scale in per cent: 20, or the largest
// shift rounded up to the next 10 when a bin goes beyond.
double chromaShiftScale(const ColourRendition& r);

// Draws the chart into `area` (bars, zero line, scale labels, bin numbers).
void drawChromaShiftBars(QPainter& painter, const QRectF& area, const ColourRendition& r);

}  // namespace halden
