#include "effects/stylize/space_filling/seed_core.h"

#include <algorithm>
#include <cmath>

namespace pq::stylize {

SeedCore::SeedCore(const PlacementContext& ctx, float size, float inRadius, float edgeRejectLevel)
    : ctx_(ctx), size_(size), inRadius_(inRadius), level_(edgeRejectLevel), step_(PlacementContext::SampleStep(size))
{
    tested_ = ctx.blocked && edgeRejectLevel == ctx.blockedLevel && step_ == 1;
    // Shrunk well beyond the rounding of the exact shape tests, so every
    // pixel centre within it passes them.
    const double r = double(inRadius) * 0.999 - 0.01;
    if (!(r > 0) || !(r < double(1 << 20))) {
        tested_ = false;
        return;
    }
    radius_ = int(std::floor(r)) + 1;
    const int rows = 2 * radius_ + 1;
    rowOrder_.reserve(size_t(rows));
    rowOrder_.push_back(0);
    for (int d = 1; d <= radius_; ++d) {
        rowOrder_.push_back(-d);
        rowOrder_.push_back(d);
    }
    reaches_.assign(size_t(1 + kCells * kCells) * size_t(rows), Reach{1, 0});
    // Table 0: the centre is the pixel's centre, so the offsets of the row
    // and column centres from it are whole numbers.
    for (int dy = -radius_; dy <= radius_; ++dy) {
        const double reach = r * r - double(dy) * double(dy);
        if (reach < 0)
            continue;
        const int half = int(std::floor(std::sqrt(reach)));
        reaches_[size_t(dy + radius_)] = {-half, half};
    }
    // A cell: the centre lies anywhere in [fx0, fx0 + 1 / kCells) x
    // [fy0, fy0 + 1 / kCells) of its pixel; a column is taken when its
    // centre lies within r of every such position.
    constexpr double kCell = 1.0 / kCells;
    for (int j = 0; j < kCells; ++j)
        for (int i = 0; i < kCells; ++i) {
            Reach* table = reaches_.data() + size_t(1 + kCells * j + i) * size_t(rows);
            const double fx0 = i * kCell, fy0 = j * kCell;
            for (int dy = -radius_; dy <= radius_; ++dy) {
                const double far = std::max(std::abs(dy + 0.5 - fy0), std::abs(dy + 0.5 - fy0 - kCell));
                const double reach = r * r - far * far;
                if (reach < 0)
                    continue;
                const double half = std::sqrt(reach);
                table[dy + radius_] = {int(std::ceil(fx0 + kCell - 0.5 - half)), int(std::floor(fx0 - 0.5 + half))};
            }
        }
}

inline const SeedCore::Reach* SeedCore::reachesFor(float fx, float fy) const
{
    const size_t rows = size_t(2 * radius_ + 1);
    if (fx == 0.5f && fy == 0.5f)
        return reaches_.data();
    const int i = int(fx * kCells), j = int(fy * kCells);
    return reaches_.data() + size_t(1 + kCells * j + i) * rows;
}

bool SeedCore::test(const PixelBox& box, int step, float cx, float cy) const
{
    if (radius_ < 0 || !ctx_.blocked || box.empty() ||
        !(cx >= 0 && cy >= 0 && cx < float(ctx_.w) && cy < float(ctx_.h)))
        return false;
    // The pixel the centre lies in, and the centre's offset in it (exact).
    const int x = int(cx), y = int(cy);
    const Reach* reach = reachesFor(cx - float(x), cy - float(y)) + radius_;
    const BitPlane& blocked = *ctx_.blocked;
    auto rowBlocked = [&](int row) {
        const Reach& r = reach[row - y];
        int a = std::max(box.x1, x + r.first);
        const int b = std::min(box.x2, x + r.last);
        if (step > 1)
            a += UpToStep(a - box.x1, step);
        return a <= b && blocked.anyOnLattice(row, a, b, step);
    };
    const int top = std::max(box.y1, y - radius_), bottom = std::min(box.y2, y + radius_);
    if (step == 1) {
        for (const int dy : rowOrder_) {
            const int row = y + dy;
            if (row >= top && row <= bottom && rowBlocked(row))
                return true;
        }
        return false;
    }
    // The lattice rows from the one nearest the centre outwards.
    const int lo = top + UpToStep(top - box.y1, step);
    if (lo > bottom)
        return false;
    const int middle =
        std::clamp(lo + DivStep(y - lo + step / 2, step) * step, lo, lo + DivStep(bottom - lo, step) * step);
    for (int up = middle, down = middle + step; up >= lo || down <= bottom; up -= step, down += step) {
        if (up >= lo && rowBlocked(up))
            return true;
        if (down <= bottom && rowBlocked(down))
            return true;
    }
    return false;
}

bool SeedCore::blocked(float cx, float cy) const
{
    return tested_ && test(PixelBox{0, 0, ctx_.w - 1, ctx_.h - 1}, 1, cx, cy);
}

bool SeedCore::blockedIn(const PixelBox& box, float cx, float cy) const
{
    return test(box, step_, cx, cy);
}

} // namespace pq::stylize
