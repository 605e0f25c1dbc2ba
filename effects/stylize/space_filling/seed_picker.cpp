#include "effects/stylize/space_filling/seed_picker.h"

#include "effects/stylize/space_filling/rng_jump.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pq::stylize {
namespace {

constexpr int kTile = 16;
// A seed in a tile lands on its pixel 0, 2, ..., 14 or 16 in each direction
// (halves round to even), the last one in the next tile.
constexpr uint64_t kEvenProbes = 0x15555;
constexpr float kTwoPi = float(2 * std::numbers::pi);
// Draw state up to this size is looked up without hints.
constexpr size_t kCachedStateBytes = 256 * 1024;

// The jumps of 1 to 4 steps, made once.
const RngJump& JumpOf(int steps)
{
    static const RngJump kJumps[4] = {RngJump(1), RngJump(2), RngJump(3), RngJump(4)};
    return kJumps[steps - 1];
}

float DrawnFloat(uint32_t s)
{
    return float(double(s) / 4294967295.0);
}

} // namespace

SeedPicker::SeedPicker(const PlacementContext& ctx, float half, float contourFrac, int retries,
                       TileMemo& memo)
    : ctx_(ctx), half_(half), contourFrac_(contourFrac), retries_(retries), memo_(memo)
{
    const size_t tiles = ctx.tilesX > 0 ? size_t(ctx.tilesX) * size_t((ctx.h + kTile - 1) / kTile) : 0;
    if (memo_.dead_.size() != tiles) {
        memo_.dead_.assign(tiles, 0);
        memo_.free_.assign(tiles, OpenTile{});
        memo_.stamp_.assign(tiles, -1);
    }
    m_ = half * 1.42f;
    if (m_ > float(ctx.w) / 2 - 1)
        m_ = std::max(1.0f, float(ctx.w) / 2 - 1);
    if (m_ > float(ctx.h) / 2 - 1)
        m_ = std::max(1.0f, float(ctx.h) / 2 - 1);
    // The decision contourFrac > RngFloat holds for the states below the
    // first one where it fails: the drawn float never falls as s grows.
    uint64_t lo = 0, hi = uint64_t(1) << 32;
    while (lo < hi) {
        const uint64_t mid = (lo + hi) / 2;
        if (!(contourFrac > DrawnFloat(uint32_t(mid))))
            hi = mid;
        else
            lo = mid + 1;
    }
    contourBelow_ = lo;
    if (ctx.contourCount > 0) {
        contourMod_ = FastMod(uint32_t(ctx.contourCount));
        contourState_ = std::make_unique<std::atomic<uint32_t>[]>(size_t(ctx.contourCount));
    }
}

bool SeedPicker::tileDead(int t) const
{
    if (memo_.dead_[size_t(t)])
        return true;
    const int x = (t % ctx_.tilesX) * kTile, y0 = (t / ctx_.tilesX) * kTile;
    if (x + kTile > ctx_.w - 1 || y0 + kTile > ctx_.h - 1)
        return false;
    const size_t word = size_t(x) >> 6;
    const unsigned off = unsigned(x) & 63u;
    for (int y = y0; y <= y0 + kTile; y += 2) {
        uint64_t bits = ctx_.covered->word(y, word) >> off;
        if (off > 64 - kTile - 1)
            bits |= ctx_.covered->word(y, word + 1) << (64 - off);
        if ((bits & kEvenProbes) != kEvenProbes)
            return false;
    }
    memo_.dead_[size_t(t)] = 1;
    return true;
}

SeedPicker::OpenTile SeedPicker::probeTile(int t) const
{
    OpenTile tile;
    tile.whole = 1;
    if (tileDead(t))
        return tile;
    const int x = (t % ctx_.tilesX) * kTile, y0 = (t / ctx_.tilesX) * kTile;
    const size_t word = size_t(x) >> 6;
    const unsigned off = unsigned(x) & 63u;
    for (int j = 0; j <= kTile / 2; ++j) {
        const int y = y0 + 2 * j;
        uint64_t bits = ctx_.covered->word(y, word) >> off;
        if (off > 64 - kTile - 1)
            bits |= ctx_.covered->word(y, word + 1) << (64 - off);
        for (int i = 0; i <= kTile / 2; ++i)
            if (((bits >> (2 * i)) & 1u) == 0) {
                // Offsets (2 i, 2 j): column i, row j.
                const int bit = 9 * i + j;
                if (bit < 64)
                    tile.low |= uint64_t(1) << bit;
                else
                    tile.high |= uint32_t(1) << (bit - 64);
            }
    }
    return tile;
}

SeedPicker::OpenTile SeedPicker::memoTile(int t) const
{
    // Only asked for tiles whose probe stays inside the picture, so the
    // three neighbours exist.
    const int* counts = ctx_.tileCoveredCount;
    const int stamp = counts[t] + counts[t + 1] + counts[t + ctx_.tilesX] + counts[t + ctx_.tilesX + 1];
    if (memo_.stamp_[size_t(t)] != stamp) {
        memo_.free_[size_t(t)] = probeTile(t);
        memo_.stamp_[size_t(t)] = stamp;
    }
    return memo_.free_[size_t(t)];
}

void SeedPicker::refresh()
{
    ++generation_;
    const int count = std::max(0, ctx_.openTilesCount);
    openMod_ = FastMod(uint32_t(std::max(1, count)));
    openTiles_.assign(size_t(count), OpenTile{});
    const float right = float(ctx_.w - 1) - m_, bottom = float(ctx_.h - 1) - m_;
    // Each entry reads only coverage and writes only its own tile's bytes.
    // A few thousand tiles take less than handing them to the pool.
    platform::ParallelForRange(0, count, 4096, [&](int lo, int hi) {
        for (int i = lo; i < hi; ++i) {
            const int t = ctx_.openTiles[i];
            const int x = (t % ctx_.tilesX) * kTile, y = (t / ctx_.tilesX) * kTile;
            // Seeds from this tile are never moved by the border clamp and
            // land on the pixels probeTile() looks at.
            const bool inside = x + kTile < (1 << 22) && y + kTile < (1 << 22) && x + kTile <= ctx_.w - 1 &&
                                y + kTile <= ctx_.h - 1 && !(float(x) + 0.5f < m_) &&
                                !(float(x + kTile - 1) + 0.5f > right) && !(float(y) + 0.5f < m_) &&
                                !(float(y + kTile - 1) + 0.5f > bottom);
            if (inside)
                openTiles_[size_t(i)] = memoTile(t);
        }
    });
    // Draws step alike unless a border tile is one pixel wide or high.
    contourJump_ = tileJump_ = nullptr;
    if (ctx_.w % kTile != 1 && ctx_.h % kTile != 1) {
        const int decide = ctx_.contourCount > 0 ? 1 : 0;
        contourJump_ = &JumpOf(decide + (ctx_.contourCount > 1 ? 1 : 0) + 1);
        tileJump_ = &JumpOf(decide + (count > 1 ? 1 : 0) + 2);
    }
    // State that stays in the core's caches gains nothing from hints.
    const size_t bytes = size_t(count) * (sizeof(OpenTile) + sizeof(int)) +
                         size_t(std::max(0, ctx_.contourCount)) * (sizeof(QPoint) + sizeof(uint32_t));
    lookAhead_ = forcedLookAhead_ >= 0 ? forcedLookAhead_ != 0 : bytes > kCachedStateBytes;
    hopeless_.assign((size_t(count) + 63) / 64, 0);
    for (int i = 0; i < count; ++i) {
        const OpenTile& tile = openTiles_[size_t(i)];
        if (tile.whole && tile.low == 0 && tile.high == 0)
            hopeless_[size_t(i) >> 6] |= uint64_t(1) << (unsigned(i) & 63u);
    }
}

int SeedPicker::probeX(float v) const
{
    if (v < m_)
        v = m_;
    if (v > float(ctx_.w - 1) - m_)
        v = float(ctx_.w - 1) - m_;
    return std::clamp(RoundToInt(v), 0, ctx_.w - 1);
}

int SeedPicker::probeY(float v) const
{
    if (v < m_)
        v = m_;
    if (v > float(ctx_.h - 1) - m_)
        v = float(ctx_.h - 1) - m_;
    return std::clamp(RoundToInt(v), 0, ctx_.h - 1);
}

bool SeedPicker::boxCovered(int x1, int y1, int x2, int y2) const
{
    const size_t wa = size_t(x1) >> 6, wb = size_t(x2) >> 6;
    const uint64_t first = ~uint64_t(0) << (unsigned(x1) & 63u);
    const uint64_t last = ~uint64_t(0) >> (63u - (unsigned(x2) & 63u));
    for (int y = y1; y <= y2; ++y) {
        if (wa == wb) {
            if ((~ctx_.covered->word(y, wa) & first & last) != 0)
                return false;
            continue;
        }
        if ((~ctx_.covered->word(y, wa) & first) != 0 || (~ctx_.covered->word(y, wb) & last) != 0)
            return false;
        for (size_t i = wa + 1; i < wb; ++i)
            if (~ctx_.covered->word(y, i) != 0)
                return false;
    }
    return true;
}

bool SeedPicker::contourDead(int i) const
{
    std::atomic<uint32_t>& state = contourState_[size_t(i)];
    const uint32_t known = state.load(std::memory_order_relaxed);
    // Coverage only grows: a neighbourhood found covered stays covered.
    if ((known & 1u) != 0 || (known >> 1) == generation_)
        return (known & 1u) != 0;
    // A seed from this point lies within half of it in each direction
    // (|cos|, |sin| <= 1), and clamping and rounding keep the order.
    const QPoint p = ctx_.contourPts[i];
    const float px = float(p.x()), py = float(p.y());
    const bool dead =
        boxCovered(probeX(px - half_), probeY(py - half_), probeX(px + half_), probeY(py + half_));
    state.store((generation_ << 1) | (dead ? 1u : 0u), std::memory_order_relaxed);
    return dead;
}

uint32_t SeedPicker::prefetchDraw(uint32_t s) const
{
    bool fromContour = false;
    if (ctx_.contourCount > 0) {
        RngStep(s);
        fromContour = s < contourBelow_;
    }
    if (fromContour) {
        int i = 0;
        if (ctx_.contourCount > 1) {
            RngStep(s);
            i = int(contourMod_(s));
        }
        __builtin_prefetch(&contourState_[size_t(i)]);
        __builtin_prefetch(ctx_.contourPts + i);
        RngStep(s);
        return s;
    }
    if (ctx_.openTilesCount > 1) {
        RngStep(s);
        const uint32_t i = openMod_(s);
        if (((hopeless_[size_t(i) >> 6] >> (i & 63u)) & 1u) == 0) {
            __builtin_prefetch(openTiles_.data() + i);
            __builtin_prefetch(ctx_.openTiles + i);
        }
    }
    RngStep(s);
    RngStep(s);
    return s;
}

void SeedPicker::pick(uint32_t& rng, float& sx, float& sy) const
{
    if (lookAhead_)
        pickDraws<true, false>(rng, sx, sy);
    else if (contourJump_)
        pickDraws<false, true>(rng, sx, sy);
    else
        pickDraws<false, false>(rng, sx, sy);
}

template <bool kLookAhead, bool kJumps>
void SeedPicker::pickDraws(uint32_t& rng, float& sx, float& sy) const
{
    // Everything a draw reads, in locals: the stores of the seed below
    // cannot be told apart from them otherwise.
    const float m = m_, half = half_;
    const int w = ctx_.w, h = ctx_.h, tilesX = ctx_.tilesX;
    const int contourCount = ctx_.contourCount, openCount = ctx_.openTilesCount;
    const uint64_t contourBelow = contourBelow_;
    const FastMod contourMod = contourMod_, openMod = openMod_;
    const QPoint* const contourPts = ctx_.contourPts;
    const int* const openIds = ctx_.openTiles;
    const OpenTile* const openTiles = openTiles_.data();
    const uint64_t* const hopeless = hopeless_.data();
    const BitPlane& covered = *ctx_.covered;
    const uint32_t generation = generation_;
    float x = 0, y = 0;
    uint32_t s = rng;
    int retries = retries_;
    // With every draw of a kind stepping alike, the state after a draw that
    // misses comes from the jumps, ahead of the draw's own steps.
    uint32_t afterContour = 0, afterTile = 0;
    // The states the next draws are expected to start from, their state
    // already on its way to the cache; `ahead` starts the one after them.
    constexpr int kAhead = 4;
    uint32_t expected[kAhead];
    int head = 0, queued = 0;
    uint32_t ahead = s;
    while (retries >= 0) {
        if constexpr (kLookAhead) {
            if (queued > 0 && expected[head] == s) {
                head = (head + 1) % kAhead;
                --queued;
            } else {
                queued = 0;
                ahead = prefetchDraw(s);
            }
            for (; queued < kAhead && queued < retries; ++queued) {
                expected[(head + queued) % kAhead] = ahead;
                ahead = prefetchDraw(ahead);
            }
        }
        if constexpr (kJumps) {
            afterContour = (*contourJump_)(s);
            afterTile = (*tileJump_)(s);
        }
        // The last draw is the answer, free or not: it is always worked out.
        const bool last = retries == 0;
        bool fromContour = false;
        if (contourCount > 0) {
            RngStep(s);
            fromContour = s < contourBelow;
        }
        if (fromContour) {
            int i = 0;
            if (contourCount > 1) {
                RngStep(s);
                i = int(contourMod(s));
            }
            RngStep(s);
            if (!last) {
                // As contourDead(i), its answer of this refresh read inline.
                const uint32_t known = contourState_[size_t(i)].load(std::memory_order_relaxed);
                const bool dead = (known & 1u) != 0 || (known >> 1) == generation ? (known & 1u) != 0 : contourDead(i);
                if (dead) {
                    if constexpr (kJumps)
                        s = afterContour;
                    --retries;
                    continue;
                }
            }
            const QPoint p = contourPts[i];
            const float angle = DrawnFloat(s) * kTwoPi;
            x = float(p.x()) + half * std::cos(angle);
            y = float(p.y()) + half * std::sin(angle);
        } else if (openCount <= 0) {
            x = m + RngFloat(s) * (float(w - 1) - 2 * m);
            y = m + RngFloat(s) * (float(h - 1) - 2 * m);
        } else {
            int i = 0;
            if (openCount > 1) {
                RngStep(s);
                i = int(openMod(s));
            }
            if (!last && ((hopeless[size_t(i) >> 6] >> (unsigned(i) & 63u)) & 1u) != 0) {
                // As below: both offsets drawn, none lands on a free pixel.
                RngStep(s);
                RngStep(s);
                if constexpr (kJumps)
                    s = afterTile;
                --retries;
                continue;
            }
            const OpenTile& tile = openTiles[size_t(i)];
            if (tile.whole) {
                // A whole tile: both offsets are drawn; halves round to
                // even, so offset k lands on pixel k + (k & 1).
                RngStep(s);
                const uint32_t kx = s & (kTile - 1);
                RngStep(s);
                const uint32_t ky = s & (kTile - 1);
                const uint32_t bit = 9 * ((kx + 1) >> 1) + ((ky + 1) >> 1);
                const bool free = bit < 64 ? ((tile.low >> bit) & 1u) != 0 : ((tile.high >> (bit - 64)) & 1u) != 0;
                if (!free && !last) {
                    if constexpr (kJumps)
                        s = afterTile;
                    --retries;
                    continue;
                }
                const int t = openIds[i];
                sx = float((t % tilesX) * kTile + int(kx)) + 0.5f;
                sy = float((t / tilesX) * kTile + int(ky)) + 0.5f;
                rng = s;
                return;
            }
            const int t = openIds[i];
            const int tx = t % tilesX, ty = t / tilesX;
            const int tw = std::min(w, (tx + 1) * kTile) - tx * kTile;
            const int th = std::min(h, (ty + 1) * kTile) - ty * kTile;
            x = float(tx * kTile + RngInt(s, tw)) + 0.5f;
            y = float(ty * kTile + RngInt(s, th)) + 0.5f;
        }
        if (x < m)
            x = m;
        if (x > float(w - 1) - m)
            x = float(w - 1) - m;
        if (y < m)
            y = m;
        if (y > float(h - 1) - m)
            y = float(h - 1) - m;
        --retries;
        const int px = std::clamp(RoundToInt(x), 0, w - 1);
        const int py = std::clamp(RoundToInt(y), 0, h - 1);
        if (!covered.get(px, py))
            break;
        if constexpr (kJumps)
            s = fromContour ? afterContour : afterTile;
    }
    sx = x;
    sy = y;
    rng = s;
}

} // namespace pq::stylize
