#include "effects/painting/spoke_reach.h"

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
    : spokes_(spokes), spreadRadius2_(std::numeric_limits<float>::infinity()),
      cosHalfStep_(float(std::cos(0.5 * double(angleStep))))
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

void SpokeSectors::sectorsNear(float dx, float dy, int& first, int& last) const
{
    const size_t b = size_t(std::clamp(int(DiamondAngle(dx, dy) * float(kBins / 4)), 0, kBins - 1));
    first = first_[b];
    last = last_[b];
}

void SpokeReach::set(const SpokeSectors& sectors, std::span<const int> lengths, int cx, int cy, const QRect& box,
                     float inner2, float outer2)
{
    cx_ = cx;
    cy_ = cy;
    box_ = box;
    inner2_ = inner2;
    outer2_ = outer2;
    const int n = int(lengths.size());
    low_.assign(size_t(n), 0.0f);
    high_.assign(size_t(n), std::numeric_limits<float>::infinity());
    if (n < 3 || n != sectors.spokes())
        return;
    // Edge k joins the ends of spokes k and k + 1: it keeps at least the
    // shorter times cos(step / 2) from the centre and no farther than the
    // longer.
    edgeNear_.resize(size_t(n));
    edgeFar_.resize(size_t(n));
    for (int k = 0; k < n; ++k) {
        const int a = lengths[size_t(k)], b = lengths[size_t((k + 1) % n)];
        edgeNear_[size_t(k)] = float(std::min(a, b)) * sectors.cosHalfStep();
        edgeFar_[size_t(k)] = float(std::max(a, b));
    }
    for (int k = 0; k < n; ++k) {
        float lo = edgeNear_[size_t(k)], hi = edgeFar_[size_t(k)];
        for (const int j : {k + n - 1, k + 1}) {
            lo = std::min(lo, edgeNear_[size_t(j % n)]);
            hi = std::max(hi, edgeFar_[size_t(j % n)]);
        }
        low_[size_t(k)] = lo;
        high_[size_t(k)] = hi;
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
    if (!(r2 >= sectors.spreadRadius2()) || low_.empty())
        return Reach::Outline;
    // The pixel's corners lie within 0.71 of its centre; the rest of a
    // pixel spare covers the single-precision vertices.
    int first = 0, last = 0;
    sectors.sectorsNear(dx, dy, first, last);
    float lo = low_[size_t(first)], hi = high_[size_t(first)];
    if (last != first) {
        lo = std::min(lo, low_[size_t(last)]);
        hi = std::max(hi, high_[size_t(last)]);
    }
    const float r = std::sqrt(r2);
    if (r + 1.0f < lo)
        return Reach::Inside;
    if (r - 1.0f > hi)
        return Reach::Outside;
    return Reach::Outline;
}

} // namespace pq
