#include "spectrum/ChartCommands.h"

#include <algorithm>
#include <cmath>

#include "spectrum/DialogText.h"
#include "spectrum/Settings.h"
#include "spectrum/StoredCurves.h"
#include "spectrum/WavelengthCalibration.h"

namespace halden {

namespace {

CommandEffects repaint() {
    CommandEffects fx;
    fx.repaint = true;
    return fx;
}

// Calls fn(x, y) for every point of every stored curve shown.
template <class Fn>
void forEachStoredPoint(const SpectrumStore& s, Fn&& fn) {
    for (const StoredCurve& c : StoredCurves(s))
        if (c.visible)
            for (int i = 0; i < c.count(); ++i) fn(c.x[i], c.y[i]);
}

std::string limitText(const char* prefix, double nm) { return prefix + formatFixed(nm, 2) + " nm"; }

// A field whose text is still the one shown keeps the exact member value;
// an edited one is read leniently (text without a number reads as 0).
double readField(const std::string& text, const std::string& shown, double current) {
    return text == shown ? current : parseDecimal(text);
}

}  // namespace

CommandEffects xAutoscale(SpectrumStore& s) {
    double lo = 10000000.0, hi = -10000000.0;
    bool any = false;
    forEachStoredPoint(s, [&](double x, double) {
        if (!std::isfinite(x)) return;
        lo = std::min(lo, x);
        hi = std::max(hi, x);
        any = true;
    });
    if (any) {
        s.m_xMin = lo;
        s.m_xMax = hi;
    }
    return repaint();
}

CommandEffects yAutoscale(SpectrumStore& s) {
    double d = 10000000.0, e = -10000000.0;
    bool any = false;
    forEachStoredPoint(s, [&](double x, double y) {
        if (!(x >= s.m_xMin && x <= s.m_xMax) || !std::isfinite(y)) return;
        d = std::min(d, y);
        e = std::max(e, y);
        any = true;
    });
    if (any) {
        const double g = (e - d) * 0.015;
        s.m_yMin = d - g;
        s.m_yMax = e + g;
        if (s.m_yMin == s.m_yMax) {
            s.m_yMin -= 1;
            s.m_yMax += 1;
        }
    }
    return repaint();
}

CommandEffects xyAutoscale(SpectrumStore& s) {
    xAutoscale(s);
    return yAutoscale(s);
}

CommandEffects range400To700(SpectrumStore& s) {
    s.m_xMin = 390;
    s.m_xMax = 710;
    return repaint();
}

CommandEffects toggleColorBar(SpectrumStore& s) {
    s.m_colorBar2 = !s.m_colorBar2;
    return repaint();
}

CommandEffects setLogScale(SpectrumStore& s, bool checked) {
    s.m_logScale = checked;
    s.m_chartBar.logScaleChecked = s.m_logScale;
    return repaint();
}

CommandEffects setAutoY(SpectrumStore& s, bool checked) {
    s.m_autoY = checked;
    s.m_chartBar.autoYChecked = checked;
    if (!checked) return yAutoscale(s);
    return repaint();
}

CommandEffects setChromaticityView(SpectrumStore& s, bool checked) {
    s.m_chromaticityView = checked;
    s.m_chartBar.chromaticityChecked = checked;
    return repaint();
}

CommandEffects diagramPlus(SpectrumStore& s) {
    if (!s.m_chromaticityView) return {};
    s.m_diagramScale = std::max(kMinDiagramScale, s.m_diagramScale - 0.25);
    return repaint();
}

CommandEffects diagramMinus(SpectrumStore& s) {
    if (!s.m_chromaticityView) return {};
    s.m_diagramScale += 0.25;
    return repaint();
}

CommandEffects beginXYScale(SpectrumStore& s) { return stopForDialog(s); }

XYScaleFields xyScaleFromStore(const SpectrumStore& s) {
    const int last = boundedLastIndex(s);
    XYScaleFields f;
    f.minLabel = limitText("min: ", s.m_wavelength[0]);
    f.maxLabel = limitText("max: ", s.m_wavelength[last]);
    f.xMin = formatFixed(s.m_xMin, 2);
    f.xMax = formatFixed(s.m_xMax, 2);
    f.yMin = formatFixed(s.m_yMin, 2);
    f.yMax = formatFixed(s.m_yMax, 2);
    return f;
}

CommandEffects applyXYScale(SpectrumStore& s, const XYScaleFields& fields) {
    const XYScaleFields shown = xyScaleFromStore(s);
    const double xMin = readField(fields.xMin, shown.xMin, s.m_xMin);
    const double xMax = readField(fields.xMax, shown.xMax, s.m_xMax);
    const double yMin = readField(fields.yMin, shown.yMin, s.m_yMin);
    const double yMax = readField(fields.yMax, shown.yMax, s.m_yMax);
    const bool xChanged = xMin != s.m_xMin || xMax != s.m_xMax;
    const bool yChanged = yMin != s.m_yMin || yMax != s.m_yMax;
    if (!xChanged && !yChanged) return {};
    s.m_xMin = xMin;
    s.m_xMax = xMax;
    s.m_yMin = yMin;
    s.m_yMax = yMax;
    if (xChanged) {
        // The background no longer matches the range: it must be taken again,
        // so Subtract goes off with it.
        s.m_backgroundState = BackgroundState::None;
        updateSubtractBox(s);
    }
    return repaint();
}

}  // namespace halden
