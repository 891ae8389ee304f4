// The curve list: one row per curve of the stored-curve table (the live
// curve or one per scan, snapshots, loaded files, the database entry, the
// Gaussian fit) with its pen colour, name and visible flag, and the two
// things a user does with a row: show or hide the curve, remove it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/SpectrumStore.h"
#include "spectrum/StoreCommands.h"

namespace halden {

struct CurveListRow {
    int slot = 0;                       // the curve's index in the table
    std::string name;
    int red = 0, green = 0, blue = 0;   // the pen colour (low 8 bits)
    bool visible = true;
    bool removable = false;             // the live curves stay
    CurveKind kind = CurveKind::Live;

    bool operator==(const CurveListRow&) const = default;
};

std::vector<CurveListRow> curveListRows(const SpectrumStore& store);

// The row's show/hide box: the curve's visible flag; repaint.
CommandEffects showCurve(SpectrumStore& store, int slot, bool visible);
// The row's remove button: the curve leaves the table, the others keep
// their order; repaint. Nothing happens for a live curve.
CommandEffects removeCurve(SpectrumStore& store, int slot);

}  // namespace halden
