#include "colour/DominantWavelength.h"

#include <array>
#include <cmath>

#include "colour/ColourTables.h"

namespace halden {
namespace {

constexpr int kLocusFirstNm = 380;
constexpr int kLocusPoints = 401;  // 380..780 nm

struct Point {
    double x, y;
};

// The spectral locus 380..780 nm, then 380 again: the last segment is the
// purple line.
const std::array<Point, kLocusPoints + 1>& boundary() {
    static const std::array<Point, kLocusPoints + 1> points = [] {
        std::array<Point, kLocusPoints + 1> p{};
        for (int k = 0; k < kLocusPoints; ++k) {
            const ObserverRow& o = ObserverTable[kLocusFirstNm - kGridFirstNm + k];
            const double sum = o.x + o.y + o.z;
            p[k] = {o.x / sum, o.y / sum};
        }
        p[kLocusPoints] = p[0];
        return p;
    }();
    return points;
}

struct Crossing {
    int segment = -1;  // boundary segment k runs from point k to point k + 1
    double t = 0;      // along the ray (1 at the ray's defining point)
    double s = 0;      // along the segment, 0..1
};

// The nearest crossing of the ray origin + t * direction (t > 0) with
// segments 0..segments-1 of the boundary.
Crossing firstCrossing(Point origin, Point direction, int segments) {
    const auto& b = boundary();
    Crossing best;
    for (int k = 0; k < segments; ++k) {
        const double ex = b[k + 1].x - b[k].x, ey = b[k + 1].y - b[k].y;
        const double den = direction.x * ey - direction.y * ex;
        if (den == 0) continue;
        const double ax = b[k].x - origin.x, ay = b[k].y - origin.y;
        const double t = (ax * ey - ay * ex) / den;
        const double s = (ax * direction.y - ay * direction.x) / den;
        if (t > 0 && s >= 0 && s <= 1 && (best.segment < 0 || t < best.t)) best = {k, t, s};
    }
    return best;
}

}  // namespace

DominantWavelength dominantWavelength(double x, double y) {
    DominantWavelength out;
    const Point white{1.0 / 3, 1.0 / 3};
    const Point direction{x - white.x, y - white.y};
    if (!std::isfinite(direction.x) || !std::isfinite(direction.y)) return out;
    if (direction.x == 0 && direction.y == 0) {
        out.found = out.white = true;
        return out;
    }
    const Crossing hit = firstCrossing(white, direction, kLocusPoints);
    if (hit.segment < 0) return out;
    out.found = true;
    out.purity = 1 / hit.t;
    if (out.purity < kWhitePurity) {
        out.white = true;
        return out;
    }
    if (hit.segment < kLocusPoints - 1) {
        out.wavelength = kLocusFirstNm + hit.segment + hit.s;
        return out;
    }
    // The purple line: the complementary wavelength lies the other way.
    const Crossing back = firstCrossing(white, {-direction.x, -direction.y}, kLocusPoints - 1);
    if (back.segment < 0) {
        out.found = false;
        return out;
    }
    out.complementary = true;
    out.wavelength = kLocusFirstNm + back.segment + back.s;
    return out;
}

}  // namespace halden
