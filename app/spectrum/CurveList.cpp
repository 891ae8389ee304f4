#include "spectrum/CurveList.h"

#include "spectrum/StoredCurves.h"

namespace halden {

std::vector<CurveListRow> curveListRows(const SpectrumStore& store) {
    std::vector<CurveListRow> rows;
    for (const StoredCurve& c : StoredCurves(store)) {
        CurveListRow row;
        row.slot = c.slot;
        row.name = std::string(c.name);
        row.red = c.red & 255;
        row.green = c.green & 255;
        row.blue = c.blue & 255;
        row.visible = c.visible;
        row.removable = c.slot >= store.m_liveCurveCount && c.slot > 0;
        row.kind = c.kind;
        rows.push_back(std::move(row));
    }
    return rows;
}

CommandEffects showCurve(SpectrumStore& store, int slot, bool visible) {
    CommandEffects fx;
    if (slot < 0 || slot >= StoredCurves(store).size()) return fx;
    setStoredCurveVisible(store, slot, visible);
    fx.repaint = true;
    return fx;
}

CommandEffects removeCurve(SpectrumStore& store, int slot) {
    CommandEffects fx;
    fx.repaint = removeStoredCurve(store, slot);
    return fx;
}

}  // namespace halden
