#include "effects/sketch/pencil_sketch_2/lay.h"

#include "effects/sketch/pencil_support.h"

#include "platform/numeric.h"
#include "platform/random.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace pq::pencil {
namespace {

constexpr double kBorderAngle = 2.641592653589793;
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

} // namespace

CandidateLayer::CandidateLayer(Cell* cells, const float* angle, const TiledAxes& axes, const FadeTables& fades,
                               const LayShape& shape)
    : cells_(cells), angle_(angle), axes_(axes), fades_(fades), shape_(shape),
      points_(size_t(kBatch) * kShortLineRoom), longLine_(size_t(2 * kMaxExtent + 1)),
      copies_(size_t(2 * kMaxExtent + 9))
{
    cosA_ = std::cos(double(kHatchA)) / 2;
    sinA_ = std::sin(double(kHatchA)) / 2;
    cosB_ = std::cos(double(kHatchB)) / 2;
    sinB_ = std::sin(double(kHatchB)) / 2;
    cosBorder_ = std::cos(kBorderAngle) / 2;
    sinBorder_ = std::sin(kBorderAngle) / 2;
}

// cos(angle) / 2 and sin(angle) / 2 of a place.
void CandidateLayer::halfDirection(uint8_t flags, float angle, double& cx, double& cy) const
{
    if (flags & kFlat) {
        cx = cosBorder_;
        cy = sinBorder_;
    } else if (angle == kHatchA) {
        cx = cosA_;
        cy = sinA_;
    } else if (angle == kHatchB) {
        cx = cosB_;
        cy = sinB_;
    } else {
        cx = std::cos(double(angle)) / 2;
        cy = std::sin(double(angle)) / 2;
    }
}

// The tone, the length and the direction of the line through the place, and
// the probe point the direction is compared with.
void CandidateLayer::begin(const Placement& p, Lay& lay, Outcome& out) const
{
    lay.cell = axes_.at(p.x, p.y);
    const Cell c = load(lay.cell);
    out.tone = (2 * int(c.sheet) + int(c.target)) / 3;
    platform::Random edge(p.seedB);
    const int64_t b = edge.random(c.flags & kRangeMask);
    lay.d = std::min(shape_.lmax, int64_t(p.a) + b + shape_.lmin + 3);
    lay.angle = angle_[lay.cell];
    halfDirection(c.flags, lay.angle, lay.cx, lay.cy);
    const int64_t px = std::clamp<int64_t>(p.x + platform::Round64(double(lay.d) * lay.cx), 0, shape_.w - 1);
    const int64_t py = std::clamp<int64_t>(p.y + platform::Round64(double(lay.d) * lay.cy), 0, shape_.h - 1);
    lay.probe = axes_.at(int(px), int(py));
}

// Shortens a line that would cross a turn of the field and finds its ends; a
// short line's points go to `points`, their memory fetched.
void CandidateLayer::layout(const Placement& p, Lay& lay, Outcome& out, int32_t* points) const
{
    int64_t d = lay.d;
    double turn = std::fabs(double(lay.angle) - double(angle_[lay.probe]));
    if (turn > kPi)
        turn = kTwoPi - turn;
    if (turn > 1.05)
        d = std::max<int64_t>(d / 3, 1);
    const int64_t ox = platform::Round64(double(d) * lay.cx);
    const int64_t oy = platform::Round64(double(d) * lay.cy);
    LineEnds& e = out.ends;
    e.x0 = int(std::clamp<int64_t>(p.x - ox, 0, shape_.w - 1));
    e.y0 = int(std::clamp<int64_t>(p.y - oy, 0, shape_.h - 1));
    e.x1 = int(std::clamp<int64_t>(p.x + ox, 0, shape_.w - 1));
    e.y1 = int(std::clamp<int64_t>(p.y + oy, 0, shape_.h - 1));
    lay.np = LinePointCount(e);
    out.drawable = lay.np > 0;
    if (!out.drawable || lay.np > kShortLine)
        return;
    RasteriseLine(e, axes_, points);
    int32_t lastTile = -1;
    for (int k = 0; k < lay.np; ++k) {
        const int32_t tile = points[k] >> 4;
        if (tile != lastTile)
            Prefetch(cells_ + points[k]);
        lastTile = tile;
    }
}

void CandidateLayer::score(const Lay& lay, Outcome& out, const int32_t* points)
{
    if (!out.drawable)
        return;
    const int np = lay.np;
    const uint8_t* fade;
    if (np <= kShortLine) {
        fade = fades_.forShort(np);
    } else {
        RasteriseLine(out.ends, axes_, longLine_.data());
        points = longLine_.data();
        FadeTables::fill(np, longFade_);
        fade = longFade_.data();
    }
    Cell* copy = copies_.data();
    for (int k = 0; k < np; ++k)
        copy[k] = load(points[k]);
    for (int k = np; k % 8 != 0; ++k)
        copy[k] = Cell{0, 0, 0, 0};
    out.score = LineGain(copy, fade, np, out.tone);
}

void CandidateLayer::layOne(const Placement& p, Outcome& out)
{
    Lay lay;
    begin(p, lay, out);
    layout(p, lay, out, points_.data());
    score(lay, out, points_.data());
}

void CandidateLayer::layBatch(const Placement* p, int count, Outcome* out)
{
    std::array<Lay, kBatch> lays;
    for (size_t b = 0; b < sizeof(Placement) * size_t(count); b += 64)
        Prefetch(reinterpret_cast<const char*>(p) + b);
    for (int k = 0; k < count; ++k) {
        const int32_t i = axes_.at(p[k].x, p[k].y);
        Prefetch(cells_ + i);
        Prefetch(angle_ + i);
    }
    for (int k = 0; k < count; ++k) {
        begin(p[k], lays[size_t(k)], out[k]);
        Prefetch(angle_ + lays[size_t(k)].probe);
    }
    for (int k = 0; k < count; ++k)
        layout(p[k], lays[size_t(k)], out[k], points_.data() + size_t(k) * kShortLineRoom);
    for (int k = 0; k < count; ++k)
        score(lays[size_t(k)], out[k], points_.data() + size_t(k) * kShortLineRoom);
}

} // namespace pq::pencil
