// The chart's commands on the store: autoscales, "400 to 700nm", the colour
// bar, Log scale and auto Y, the chromaticity view with its "+" and "-", and
// the "X Y Scale" dialog as a field model. Each returns what the caller must
// do next (normally a repaint).
#pragma once

#include <string>

#include "spectrum/SpectrumStore.h"
#include "spectrum/StoreCommands.h"

namespace halden {

// The smallest diagram divisor "+" can reach: the picture size divides by it.
inline constexpr double kMinDiagramScale = 0.25;

// x autoscale: m_xMin / m_xMax = smallest / largest x over every stored
// curve shown (a hidden curve takes no part, as in the drawing).
CommandEffects xAutoscale(SpectrumStore& store);
// y autoscale: smallest and largest y over the points inside the x range,
// widened by 1.5 % of their span each side (by 1 when they are equal).
CommandEffects yAutoscale(SpectrumStore& store);
// x autoscale, then y autoscale.
CommandEffects xyAutoscale(SpectrumStore& store);
// "400 to 700nm": x range 390 to 710.
CommandEffects range400To700(SpectrumStore& store);
// "Colorbar": toggles the second colour bar.
CommandEffects toggleColorBar(SpectrumStore& store);
// "Log scale" box, with the box's new check state: m_logScale follows it.
CommandEffects setLogScale(SpectrumStore& store, bool checked);
// "auto Y" box: m_autoY = checked; switching it off runs y autoscale once.
CommandEffects setAutoY(SpectrumStore& store, bool checked);
// "X, Y chromaticity space" box.
CommandEffects setChromaticityView(SpectrumStore& store, bool checked);
// "+" / "-": a larger / smaller diagram while the chromaticity view is on.
// "+" never takes the divisor below kMinDiagramScale.
CommandEffects diagramPlus(SpectrumStore& store);
CommandEffects diagramMinus(SpectrumStore& store);

// The "X Y Scale" dialog: the instrument limits in the two labels and the
// four range edits, as text.
struct XYScaleFields {
    std::string minLabel, maxLabel;  // "min: %.2f nm", "max: %.2f nm"
    std::string xMin, xMax, yMin, yMax;  // 1002..1005, "%.2f"
};

// Before the dialog shows: a running acquisition stops and periodic saving
// ends (stopForDialog).
CommandEffects beginXYScale(SpectrumStore& store);
XYScaleFields xyScaleFromStore(const SpectrumStore& store);
// OK: the four fields read leniently; when none changed nothing happens;
// a changed x range invalidates the stored background.
CommandEffects applyXYScale(SpectrumStore& store, const XYScaleFields& fields);

}  // namespace halden
