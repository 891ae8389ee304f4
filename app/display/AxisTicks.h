// The tick rule of both chart axes: from the range, the text unit and the
// room on the axis, which values get a tick and how their labels read.
#pragma once

#include <string>
#include <vector>

namespace halden {

struct AxisTick {
    double value = 0;
    std::string label;
};

enum class TickAxis { X, Y };

// Ticks of the range lo..hi. room is the plot width R - L for the x axis and
// H - 2u for the y axis; a step qualifies when its labels fit that room (x:
// 1.2 x the label widths, y: 2.5u per tick) and it gives at most 10 ticks.
// Empty when no step fits or the range is not finite and rising.
std::vector<AxisTick> axisTicks(double lo, double hi, double unit, double room, TickAxis axis);

}  // namespace halden
