// The store's derived view state: the live curves that show the live
// buffer, a pending background capture, automatic y scaling, the
// maximum-intensity marker and the chart's client size and margins. Brought
// up to date on the user-interface thread whenever a result is published or
// a command has changed the store, never inside a paint: painting only reads.
#pragma once

#include "spectrum/SpectrumStore.h"

namespace halden {

// Client size and margins: updates m_clientWidth / m_clientHeight and the
// four margins when the size differs from the stored one.
void updateClientSize(SpectrumStore& store, int clientWidth, int clientHeight);

// Makes the first curves of the table show the live buffer as its
// acquisition was made: curve 0 alone when averaged, else one curve per
// scan (black, red, green, blue, olive, then black). Curves after the live
// ones (snapshots, loaded files, the Gaussian fit) keep their points and
// order whatever the number of live curves was before. Pool and slot bounds
// are kept: when the new live curves do not fit, curve 0 alone is refreshed.
void refreshLiveCurves(SpectrumStore& store);

// The index of the largest y of curve 0 inside [m_xMin, m_xMax] (first
// maximum), or the current marker index when no point lies inside.
int maxIntensityIndex(const SpectrumStore& store);

// Everything derived, in order: the live curves, a requested background
// capture, automatic y and the maximum-intensity marker.
void settleView(SpectrumStore& store);

}  // namespace halden
