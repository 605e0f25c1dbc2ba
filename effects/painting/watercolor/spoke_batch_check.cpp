// The watercolour painter's batch check: how many planned patches come out
// as if painted one by one, and the patches whose seed search picks another
// draw once the earlier patches of the batch are laid down grown again.

#include "effects/painting/watercolor/patch_fill.h"
#include "effects/painting/watercolor/spoke_painter.h"

#include <algorithm>

namespace pq {
namespace {

// Earlier patches of its batch whose outline a seed search may settle pixel
// by pixel before the batch is cut there.
constexpr int kMaxLooks = 48;

} // namespace

// The canvas pixel (x, y), `value` before the batch, after the batch's
// patches registered so far, latest first: the first that covers it whole
// with opaque paint hides the rest. Counts the outlines walked in looks;
// false when no patch reaches the pixel.
bool SpokePainter::lookThrough(Batch& batch, int x, int y, gfx::Pixel& value, int& looks)
{
    const std::vector<int>& list = batch.cells[size_t((y >> kCellShift) * cellColumns_ + (x >> kCellShift))];
    layers_.clear();
    bool hidden = false;
    for (size_t i = list.size(); i-- > 0;) {
        Plan& pj = batch.plans[size_t(list[i])];
        if (pj.regrowing) {
            awaitRegrown(list[i]);
            pj.regrowing = false;
            if (!changesCanvas(pj))
                continue;
        }
        const Reach reach = pj.reach.at(sectors_, x, y);
        if (reach == Reach::Outside)
            continue;
        if (reach == Reach::Inside && (pj.paint >> 24) == 255) {
            value = pj.paint;
            hidden = true;
            break;
        }
        layers_.push_back({list[i], reach});
    }
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it) {
        const Plan& pj = batch.plans[size_t(it->first)];
        if (it->second == Reach::Inside) {
            value = doClear_ ? FillWholePixel(pj.paint, value) : CommitWholePixel(pj.paint, value);
        } else {
            value = doClear_ ? FillPatchPixel(pj.shape, x, y, pj.paint, value, scratch_)
                             : CommitPatchPixel(pj.shape, x, y, pj.paint, value, scratch_);
            ++looks;
        }
    }
    return hidden || !layers_.empty();
}

// How many planned patches come out as if painted one by one: patch k is
// kept unless an earlier patch of the batch that changes the canvas may
// have changed a pixel its seed search read or (paint-over) its test read.
int SpokePainter::validPrefix(int planned)
{
    auto cellsOf = [&](const QRect& r, auto&& fn) {
        for (int cy = r.top() >> kCellShift; cy <= r.bottom() >> kCellShift; ++cy)
            for (int cx = r.left() >> kCellShift; cx <= r.right() >> kCellShift; ++cx)
                fn(cy * cellColumns_ + cx);
    };
    std::vector<Plan>& plans = current_.plans;
    std::vector<std::vector<int>>& cells = current_.cells;
    current_.clearCells();
    int valid = planned;
    for (int k = 0; k < planned && valid == planned; ++k) {
        awaitGrown(k);
        Plan& pk = plans[size_t(k)];
        // What the seed search would have seen after the earlier patches of
        // the batch. The patch stands when its search ends the same way; when
        // only the winning draw changes, the patch is grown again from the
        // new seed (the generator is where it would be either way).
        std::array<gfx::Pixel, 8> seen = pk.seen;
        bool touched = false;
        int looks = 0;
        for (int d = 0; d < pk.drawCount; ++d)
            touched |= lookThrough(current_, pk.draws[size_t(d)].x(), pk.draws[size_t(d)].y(), seen[size_t(d)], looks);
        if (looks > kMaxLooks) {
            // Patches piled on each other (big ones on a small picture):
            // smaller batches cost less than replaying the pile.
            valid = k;
        } else if (touched) {
            const int chosen = rechoose(pk, seen);
            if (chosen < 0) {
                valid = k;
            } else if (chosen != pk.chosen) {
                pk.chosen = chosen;
                const bool wasEmpty = pk.empty;
                setSeed(pk);
                if (pk.empty != wasEmpty) {
                    // The budgets were drawn, or not, for the other seed.
                    valid = k;
                } else if (regrowsLater_ && !pk.empty) {
                    regrowLater(k);
                } else {
                    build(pk);
                }
            }
        }
        if (valid == planned && !doClear_ && pk.hasShape)
            cellsOf(pk.shape.box(), [&](int cell) {
                for (const int j : cells[size_t(cell)])
                    if (plans[size_t(j)].shape.box().intersects(pk.shape.box()))
                        valid = k;
            });
        if (valid == planned && (pk.regrowing || changesCanvas(pk)))
            cellsOf(pk.regrowing ? pk.bound : pk.shape.box(), [&](int cell) {
                if (cells[size_t(cell)].empty())
                    current_.usedCells.push_back(cell);
                cells[size_t(cell)].push_back(k);
            });
    }
    if (!awaitRegrowth()) {
        // Never expected: a patch regrown past its bound may have reached
        // draws of later patches that did not wait for it.
        for (int k = 0; k < valid; ++k)
            if (plans[size_t(k)].hasShape && !plans[size_t(k)].bound.isNull() &&
                !plans[size_t(k)].bound.contains(plans[size_t(k)].shape.box())) {
                valid = k + 1;
                break;
            }
        current_.clearCells();
        for (int k = 0; k < valid; ++k)
            if (changesCanvas(plans[size_t(k)]))
                cellsOf(plans[size_t(k)].shape.box(), [&](int cell) {
                    if (cells[size_t(cell)].empty())
                        current_.usedCells.push_back(cell);
                    cells[size_t(cell)].push_back(k);
                });
    }
    // Nothing past the cut needs growing any more; the cells stay for the
    // next batch's seed searches.
    cut_.store(valid, std::memory_order_relaxed);
    current_.count = valid;
    return valid;
}

void SpokePainter::Batch::clearCells()
{
    for (const int cell : usedCells)
        cells[size_t(cell)].clear();
    usedCells.clear();
}

} // namespace pq
