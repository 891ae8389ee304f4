#include "spectrum/ChartCommands.h"

#include "spectrum/Settings.h"

namespace halden {

CommandEffects xAutoscale(SpectrumStore&) { return {}; }
CommandEffects yAutoscale(SpectrumStore&) { return {}; }
CommandEffects xyAutoscale(SpectrumStore&) { return {}; }
CommandEffects range400To700(SpectrumStore&) { return {}; }
CommandEffects toggleColorBar(SpectrumStore&) { return {}; }
CommandEffects setLogScale(SpectrumStore&, bool) { return {}; }
CommandEffects setAutoY(SpectrumStore&, bool) { return {}; }
CommandEffects setChromaticityView(SpectrumStore&, bool) { return {}; }
CommandEffects diagramPlus(SpectrumStore&) { return {}; }
CommandEffects diagramMinus(SpectrumStore&) { return {}; }
CommandEffects beginXYScale(SpectrumStore& store) { return stopForDialog(store); }
XYScaleFields xyScaleFromStore(const SpectrumStore&) { return {}; }
CommandEffects applyXYScale(SpectrumStore&, const XYScaleFields&) { return {}; }

}  // namespace halden
