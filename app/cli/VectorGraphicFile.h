// The colour vector graphic as a file: PNG, SVG or PDF by the name's extension.
#pragma once

#include <string>

#include "colour/ColourRendition.h"

namespace halden::cli {

inline constexpr int kVectorGraphicSize = 800;  // pixels (points at 96 dpi for PDF)

// True when the name ends in .png, .svg or .pdf (any case).
bool isVectorGraphicName(const std::string& path);

// Draws the graphic of `r` and replaces `path` with it. Returns an empty
// string on success, else what went wrong.
std::string writeVectorGraphic(const std::string& path, const ColourRendition& r);

}  // namespace halden::cli
