#include "effects/stylize/seed_core.h"

#include <algorithm>
#include <cmath>

namespace pq::stylize {
namespace {

// Columns of a centre at pixel column X that the core test reaches with
// this half width: X - floor(half) .. X + floor(half), as long as the
// rounding of its double sums cannot cross a whole number (the half width
// keeps clear of one, and centres stay far below 2^20).
bool ReachOf(double reach, int& columns)
{
    if (reach < 0) {
        columns = -1;
        return true;
    }
    const double half = std::sqrt(reach);
    const double frac = half - std::floor(half);
    columns = int(std::floor(half));
    return frac > 1e-6 && frac < 1 - 1e-6 && half < double(1 << 20);
}

} // namespace

SeedCore::SeedCore(const PlacementContext& ctx, float size, float inRadius, float edgeRejectLevel)
    : ctx_(ctx), size_(size), inRadius_(inRadius), level_(edgeRejectLevel)
{
    tested_ = ctx.blocked && edgeRejectLevel == ctx.blockedLevel && PlacementContext::SampleStep(size) == 1;
    const double r = double(inRadius) * 0.999 - 0.01;
    if (!tested_ || r <= 0 || ctx.w <= 0 || ctx.h <= 0 || ctx.w >= (1 << 20) || ctx.h >= (1 << 20)) {
        tested_ = tested_ && r > 0;
        return;
    }
    reachesHold_ = ReachOf(r * r, middleReach_) && ReachOf(r * r - 1.0, sideReach_);
}

bool SeedCore::blocked(float cx, float cy) const
{
    if (!tested_)
        return false;
    const float fx = cx - 0.5f, fy = cy - 0.5f;
    if (!reachesHold_ || !(fx >= 0 && fy >= 0 && fx < float(ctx_.w) && fy < float(ctx_.h)) || fx != std::floor(fx) ||
        fy != std::floor(fy))
        return ctx_.seedBlocked(cx, cy, size_, inRadius_, level_);
    // The middle row first, as the plain test reads them.
    const int x = int(fx), y = int(fy);
    auto rowBlocked = [&](int row, int reach) {
        return reach >= 0 && row >= 0 && row < ctx_.h &&
               ctx_.blocked->any(row, std::max(0, x - reach), std::min(ctx_.w - 1, x + reach));
    };
    return rowBlocked(y, middleReach_) || rowBlocked(y - 1, sideReach_) || rowBlocked(y + 1, sideReach_);
}

} // namespace pq::stylize
