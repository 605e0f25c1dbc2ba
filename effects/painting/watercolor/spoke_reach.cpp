#include "effects/painting/watercolor/spoke_reach.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace pq {
namespace {

constexpr int kBins = 1024;

// 0 .. 4 once around, growing with the angle: 0 along +x, 1 along +y.
float DiamondAngle(float dx, float dy)
{
    const float t = std::fabs(dy) / (std::fabs(dx) + std::fabs(dy));
    if (dy >= 0.0f)
        return dx >= 0.0f ? t : 2.0f - t;
    return dx < 0.0f ? 2.0f + t : 4.0f - t;
}

} // namespace

SpokeSectors::SpokeSectors(std::span<const double> cosines, std::span<const double> sines, int spokes,
                           float angleStep)
    : spokes_(spokes), spreadRadius2_(std::numeric_limits<float>::infinity())
{
    first_.assign(kBins, 0);
    last_.assign(kBins, 0);
    if (spokes < 3 || int(cosines.size()) < spokes || int(sines.size()) < spokes)
        return;
    // A circle of radius 1 about a point at distance R spans asin(1 / R)
    // either way: less than a step, with room to spare, beyond this.
    const double step = std::min(double(angleStep), std::numbers::pi / 2);
    if (!(step > 0.0))
        return;
    const double reach = 1.25 / std::sin(step);
    spreadRadius2_ = float(reach * reach);
    for (int k = 0; k < spokes; ++k)
        directions_.push_back({float(cosines[size_t(k)]), float(sines[size_t(k)])});
    auto sectorAt = [&](float angle) {
        int sector = 0;
        while (sector + 1 < spokes &&
               DiamondAngle(float(cosines[size_t(sector + 1)]), float(sines[size_t(sector + 1)])) <= angle)
            ++sector;
        return sector;
    };
    for (int b = 0; b < kBins; ++b) {
        first_[size_t(b)] = sectorAt(4.0f * float(b) / float(kBins));
        last_[size_t(b)] = sectorAt(4.0f * float(b + 1) / float(kBins));
    }
}

float SpokeSectors::clearance(int spoke, float dx, float dy) const
{
    const size_t k = size_t(((spoke % spokes_) + spokes_) % spokes_);
    return directions_[k].x * dy - directions_[k].y * dx;
}

void SpokeSectors::sectorsNear(float dx, float dy, int& first, int& last) const
{
    const size_t b = size_t(std::clamp(int(DiamondAngle(dx, dy) * float(kBins / 4)), 0, kBins - 1));
    first = first_[b];
    last = last_[b];
}

void SpokeReach::set(const SpokeSectors& sectors, std::span<const PointF> polygon, int cx, int cy, const QRect& box,
                     float inner2, float outer2)
{
    cx_ = cx;
    cy_ = cy;
    box_ = box;
    inner2_ = inner2;
    outer2_ = outer2;
    lines_.clear();
    const int n = sectors.spokes();
    if (n < 3 || int(polygon.size()) != n + 1)
        return;
    const double ox = double(cx) + 0.5, oy = double(cy) + 0.5;
    for (int k = 0; k < n; ++k) {
        const double ax = double(polygon[size_t(k)].x) - ox, ay = double(polygon[size_t(k)].y) - oy;
        const double ex = double(polygon[size_t(k + 1)].x) - ox - ax, ey = double(polygon[size_t(k + 1)].y) - oy - ay;
        const double length = std::hypot(ex, ey);
        // Spoke ends lie at least 1 from the centre and a step apart.
        const double side = ey * ax - ex * ay; // the centre's distance times length, signed
        if (!(length > 1.0e-3) || !(std::fabs(side) > 1.0e-3)) {
            lines_.clear();
            return;
        }
        const double sign = side > 0.0 ? 1.0 : -1.0;
        lines_.push_back({float(-ey * sign / length), float(ex * sign / length), float(side * sign / length)});
    }
}

Reach SpokeReach::at(const SpokeSectors& sectors, int x, int y) const
{
    if (!box_.contains(x, y))
        return Reach::Outside;
    const float dx = float(x - cx_), dy = float(y - cy_);
    const float r2 = dx * dx + dy * dy;
    if (r2 < inner2_)
        return Reach::Inside;
    if (r2 > outer2_)
        return Reach::Outside;
    if (lines_.empty() || r2 == 0.0f)
        return Reach::Outline;
    // The sectors the pixel reaches into: far from the centre at most those
    // next to its bin's, near it those between its corners' (give or take
    // one for rounding). Within a sector the outline is that sector's edge:
    // the pixel lies inside when it keeps to the centre's side of every such
    // edge's line, outside when it keeps beyond each. Its corners lie within
    // 0.71 of its centre; the rest of the margin covers rounding.
    constexpr float kMargin = 0.8f;
    int first = 0, last = 0;
    sectors.sectorsNear(dx, dy, first, last);
    const int n = int(lines_.size());
    if (r2 >= sectors.spreadRadius2()) {
        // The pixel keeps clear of the spokes' lines about its bin's
        // sectors, or reaches over into the sector beyond.
        if (sectors.clearance(first, dx, dy) <= kMargin)
            --first;
        if (-sectors.clearance(last + 1, dx, dy) <= kMargin)
            ++last;
    } else {
        int lowest = 0, highest = last - first;
        for (const float cxo : {-0.5f, 0.5f})
            for (const float cyo : {-0.5f, 0.5f}) {
                int f = 0, l = 0;
                sectors.sectorsNear(dx + cxo, dy + cyo, f, l);
                // Offsets from the pixel's own sector, the short way round.
                auto offset = [&](int k) { return ((k - first) % n + n + n / 2) % n - n / 2; };
                lowest = std::min(lowest, offset(f));
                highest = std::max(highest, offset(l));
            }
        last = first + highest + 1;
        first += lowest - 1;
    }
    bool inside = true, outside = true;
    for (int k = first; k <= last; ++k) {
        const Line& e = lines_[size_t(((k % n) + n) % n)];
        const float d = e.a * dx + e.b * dy + e.c;
        inside = inside && d > kMargin;
        outside = outside && d < -kMargin;
    }
    return inside ? Reach::Inside : (outside ? Reach::Outside : Reach::Outline);
}

} // namespace pq
