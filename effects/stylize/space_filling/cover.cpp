#include "effects/stylize/space_filling/run.h"

#include "effects/stylize/space_filling/seed_core.h"
#include "effects/stylize/space_filling/shape_spans.h"

#include "platform/numeric.h"

#include <cmath>

namespace pq::stylize {
namespace {

constexpr int kTile = 16;

// Calls run(y, a, b) for the runs of pixels a..b of each row of the box
// whose centres lie in the shape (whole rows for shapes of size 2 or less),
// until it returns false; false when it stopped early.
template <typename Shape, typename Run>
bool ForRunsOf(const Shape& shape, bool whole, const PixelBox& box, Run&& run)
{
    for (int y = box.y1; y <= box.y2; ++y) {
        if (whole) {
            if (!run(y, box.x1, box.x2))
                return false;
        } else if (!ForRowRuns(shape, float(y) + 0.5f, box.x1, box.x2, 1, [&](int a, int b) { return run(y, a, b); })) {
            return false;
        }
    }
    return true;
}

template <typename Run>
bool ForShapeRuns(MosaicShape shape, const Candidate& c, const PixelBox& box, Run&& run)
{
    const bool whole = c.half <= 2;
    switch (shape) {
    case MosaicShape::Square: return ForRunsOf(SquareSpans(c.x, c.y, c.half, c.cosR, c.sinR), whole, box, run);
    case MosaicShape::Disc: return ForRunsOf(DiscSpans{c.x, c.y, c.half}, whole, box, run);
    default:
        return ForRunsOf(TriangleSpans(CornersOf(c.x, c.y, c.half, c.cosR, c.sinR), c.half), whole, box, run);
    }
}

} // namespace

PixelBox MosaicRun::coverBox(const Candidate& c) const
{
    // Triangles scan the box of their circumscribed circle.
    return shape_ == MosaicShape::Square ? ctx_.squareBox(c.x, c.y, c.half, c.cosR, c.sinR)
                                         : ctx_.circleBox(c.x, c.y, c.half);
}

bool MosaicRun::coreRejects(const Candidate& c, const SeedCore& core, CoreMemo& memo) const
{
    PixelBox box;
    switch (shape_) {
    case MosaicShape::Square: box = ctx_.squareBox(c.x, c.y, c.half, c.cosR, c.sinR); break;
    case MosaicShape::Disc: box = ctx_.circleBox(c.x, c.y, c.half); break;
    default: box = ctx_.triangleBox(c.x, c.y, c.half, CornersOf(c.x, c.y, c.half, c.cosR, c.sinR)); break;
    }
    if (const bool* known = memo.find(box))
        return *known;
    const bool answer = core.blockedIn(box, c.x, c.y);
    memo.store(box, answer);
    return answer;
}

bool MosaicRun::isFree(const Candidate& c) const
{
    const PixelBox box = coverBox(c);
    if (box.empty() || ctx_.bboxAllTilesEmpty(box.x1, box.y1, box.x2, box.y2))
        return true;
    return ForShapeRuns(shape_, c, box, [&](int y, int a, int b) { return !covered_.any(y, a, b); });
}

void MosaicRun::markCovered(const Candidate& c)
{
    const PixelBox box = coverBox(c);
    if (box.empty())
        return;
    ForShapeRuns(shape_, c, box, [&](int y, int a, int b) {
        int* tiles = tileCovered_.data() + size_t(y / kTile) * size_t(tilesX_);
        for (int x = a; x <= b; ++x)
            if (!covered_.get(x, y)) {
                covered_.set(x, y);
                if (ctx_.blocked)
                    blocked_.set(x, y);
                ++coveredCount_;
                ++tiles[x / kTile];
            }
        return true;
    });
}

bool MosaicRun::evaluate(Candidate& c, float edgeRejectLevel, float colorTolSq, bool seedClear, CoreMemo* memo) const
{
    ShapeColor found;
    bool ok;
    switch (shape_) {
    case MosaicShape::Square:
        ok = ctx_.evaluateSquare(c.x, c.y, c.half, c.cosR, c.sinR, edgeRejectLevel, colorTolSq, found, seedClear,
                                 memo);
        break;
    case MosaicShape::Disc:
        ok = ctx_.evaluateCircle(c.x, c.y, c.half, edgeRejectLevel, colorTolSq, found, seedClear, memo);
        break;
    default:
        ok = ctx_.evaluateTriangle(c.x, c.y, c.half, c.cosR, c.sinR, edgeRejectLevel, colorTolSq, found, seedClear,
                                   memo);
        break;
    }
    c.r8 = found.r;
    c.g8 = found.g;
    c.b8 = found.b;
    c.score = found.score;
    return ok;
}

void MosaicRun::accept(const Candidate& c)
{
    markCovered(c);
    pending_.push_back(c);
}

} // namespace pq::stylize
