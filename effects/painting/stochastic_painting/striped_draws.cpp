#include "effects/painting/stochastic_painting/striped_draws.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <utility>

namespace pq {
namespace {

// Strokes a helper lays per claim, so that it lets go of a tile soon.
constexpr int64_t kClaimMost = 16;
// Strokes the run's thread lays elsewhere while the tile it needs is held.
constexpr int64_t kAsideMost = 2;
constexpr int64_t kEvery = INT64_MAX;

} // namespace

StripedDraws::StripedDraws(int width, int height, Draw draw, int tileWidth)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), draw_(std::move(draw)),
      tileWidth_(std::max(tileWidth, 1)), tileColumns_(std::max(1, (width_ + tileWidth_ - 1) / tileWidth_)),
      tiles_(tileColumns_ * std::max(1, (height_ + kStripe - 1) / kStripe)),
      tile_(std::make_unique<Tile[]>(size_t(tiles_))), queue_(size_t(tiles_) * kRing, 0),
      waiting_(std::make_unique<std::atomic<uint64_t>[]>(size_t((tiles_ + 63) / 64))), words_((tiles_ + 63) / 64),
      areas_(kRing), columns_((width_ + kBlock - 1) / kBlock),
      lastOver_(size_t(columns_) * size_t((height_ + kBlock - 1) / kBlock), 0), queued_(size_t(tiles_), 0)
{
}

QRect StripedDraws::tileRect(int t) const
{
    const int left = t % tileColumns_ * tileWidth_, top = t / tileColumns_ * kStripe;
    return QRect(left, top, std::min(tileWidth_, width_ - left), std::min(kStripe, height_ - top));
}

void StripedDraws::tilesOf(const QRect& area, int& top, int& bottom, int& left, int& right) const
{
    top = area.top() / kStripe;
    bottom = area.bottom() / kStripe;
    left = area.left() / tileWidth_;
    right = area.right() / tileWidth_;
}

bool StripedDraws::claim(int t)
{
    std::atomic<bool>& held = tile_[size_t(t)].held;
    bool free = false;
    return !held.load(std::memory_order_relaxed) &&
           held.compare_exchange_strong(free, true, std::memory_order_acquire, std::memory_order_relaxed);
}

// Clears the tile's waiting bit when it has nothing left, then lets it go.
// A push after the look sets the bit again: the pusher stores its count
// before it looks at the bit, this thread clears the bit before it looks
// at the count, so one of the two sees the other.
void StripedDraws::release(int t)
{
    Tile& tile = tile_[size_t(t)];
    const int64_t laid = tile.laid.load(std::memory_order_relaxed);
    if (tile.pushed.load(std::memory_order_seq_cst) == laid) {
        std::atomic<uint64_t>& word = waiting_[size_t(t / 64)];
        const uint64_t bit = uint64_t(1) << (t % 64);
        word.fetch_and(~bit, std::memory_order_seq_cst);
        if (tile.pushed.load(std::memory_order_seq_cst) != laid)
            word.fetch_or(bit, std::memory_order_seq_cst);
    }
    tile.held.store(false, std::memory_order_release);
    laid_.notify();
}

void StripedDraws::markWaiting(int t)
{
    std::atomic<uint64_t>& word = waiting_[size_t(t / 64)];
    const uint64_t bit = uint64_t(1) << (t % 64);
    if (!(word.load(std::memory_order_seq_cst) & bit))
        word.fetch_or(bit, std::memory_order_seq_cst);
}

void StripedDraws::layClaimed(int t, int64_t most, int64_t before)
{
    Tile& tile = tile_[size_t(t)];
    const int64_t pushed = tile.pushed.load(std::memory_order_acquire);
    const QRect rect = tileRect(t);
    const int64_t* const queue = queue_.data() + size_t(t) * kRing;
    for (int64_t e = tile.laid.load(std::memory_order_relaxed); e < pushed && most > 0; ++e, --most) {
        const int64_t n = queue[e % kRing];
        if (n >= before)
            return;
        draw_(n, areas_[size_t(n % kRing)] & rect);
        tile.laid.store(e + 1, std::memory_order_release);
        // The run's thread may be waiting for this one.
        laid_.notify();
    }
}

bool StripedDraws::layAny(int& from, int64_t most)
{
    // The first tile in lo..hi - 1 whose waiting bit is set, or -1.
    const auto firstWaiting = [this](int lo, int hi) {
        for (int w = lo / 64; w < words_ && w * 64 < hi; ++w) {
            uint64_t bits = waiting_[size_t(w)].load(std::memory_order_acquire);
            if (w == lo / 64)
                bits &= ~uint64_t(0) << (lo % 64);
            if (bits != 0) {
                const int t = w * 64 + std::countr_zero(bits);
                return t < hi ? t : -1;
            }
        }
        return -1;
    };
    for (int pass = 0; pass < 2; ++pass) {
        const int lo = pass == 0 ? from : 0, hi = pass == 0 ? tiles_ : from;
        for (int t = firstWaiting(lo, hi); t >= 0; t = firstWaiting(t + 1, hi))
            if (claim(t)) {
                layClaimed(t, most, kEvery);
                release(t);
                from = t + 1 < tiles_ ? t + 1 : 0;
                return true;
            }
    }
    return false;
}

bool StripedDraws::laidBelow(int t, int64_t before) const
{
    const int64_t laid = tile_[size_t(t)].laid.load(std::memory_order_acquire);
    return laid >= queued_[size_t(t)] || queue_[size_t(t) * kRing + size_t(laid % kRing)] >= before;
}

bool StripedDraws::waitTile(int t, int64_t before)
{
    for (;;) {
        if (failed_.load(std::memory_order_acquire))
            return false;
        if (laidBelow(t, before))
            return true;
        if (claim(t)) {
            layClaimed(t, kEvery, before);
            release(t);
            continue;
        }
        // Another thread is laying it: lay a little elsewhere meanwhile,
        // else sleep until it has got far enough or lets go.
        if (layAny(aside_, kAsideMost))
            continue;
        laid_.waitUntil([&] {
            return failed_.load(std::memory_order_acquire) || laidBelow(t, before) ||
                   !tile_[size_t(t)].held.load(std::memory_order_acquire);
        });
    }
}

int64_t StripedDraws::reserve()
{
    if (next_ >= kRing) {
        // The slot's last stroke must be laid everywhere.
        const int64_t old = next_ - kRing;
        int top, bottom, left, right;
        tilesOf(areas_[size_t(old % kRing)], top, bottom, left, right);
        for (int ty = top; ty <= bottom; ++ty)
            for (int tx = left; tx <= right; ++tx)
                if (!waitTile(ty * tileColumns_ + tx, old + 1))
                    return -1;
    }
    return failed_.load(std::memory_order_acquire) ? -1 : next_;
}

void StripedDraws::push(const QRect& area)
{
    const int64_t n = next_++;
    areas_[size_t(n % kRing)] = area;
    for (int by = area.top() / kBlock; by <= area.bottom() / kBlock; ++by)
        for (int bx = area.left() / kBlock; bx <= area.right() / kBlock; ++bx)
            lastOver_[size_t(by) * size_t(columns_) + size_t(bx)] = next_;
    int top, bottom, left, right;
    tilesOf(area, top, bottom, left, right);
    for (int ty = top; ty <= bottom; ++ty)
        for (int tx = left; tx <= right; ++tx) {
            const int t = ty * tileColumns_ + tx;
            const int64_t e = queued_[size_t(t)]++;
            queue_[size_t(t) * kRing + size_t(e % kRing)] = n;
            tile_[size_t(t)].pushed.store(e + 1, std::memory_order_seq_cst);
            markWaiting(t);
        }
    if (next_ - rung_ >= kWakeEvery) {
        rung_ = next_;
        bell_.ringWork();
    }
}

bool StripedDraws::await(const QRect& box)
{
    int top, bottom, left, right;
    tilesOf(box, top, bottom, left, right);
    for (int ty = top; ty <= bottom; ++ty)
        for (int tx = left; tx <= right; ++tx) {
            const int t = ty * tileColumns_ + tx;
            if (tile_[size_t(t)].laid.load(std::memory_order_acquire) >= queued_[size_t(t)])
                continue; // nothing waits here
            // The last stroke over the box's blocks in this tile.
            const QRect part = box & tileRect(t);
            int64_t needed = 0;
            for (int by = part.top() / kBlock; by <= part.bottom() / kBlock; ++by)
                for (int bx = part.left() / kBlock; bx <= part.right() / kBlock; ++bx)
                    needed = std::max(needed, lastOver_[size_t(by) * size_t(columns_) + size_t(bx)]);
            if (needed > 0 && !waitTile(t, needed))
                return false;
        }
    return !failed_.load(std::memory_order_acquire);
}

bool StripedDraws::awaitAll()
{
    for (int t = 0; t < tiles_; ++t)
        if (queued_[size_t(t)] > 0 && !waitTile(t, next_))
            return false;
    return !failed_.load(std::memory_order_acquire);
}

void StripedDraws::stop()
{
    stopped_.store(true, std::memory_order_seq_cst);
    bell_.ringAll();
}

void StripedDraws::fail()
{
    failed_.store(true, std::memory_order_seq_cst);
    laid_.notify();
}

void StripedDraws::serve()
{
    // Helpers start looking in different places.
    int from = int(int64_t(visitors_.fetch_add(1, std::memory_order_relaxed)) * 37 % tiles_);
    const auto stopped = [this] { return stopped_.load(std::memory_order_acquire); };
    try {
        while (!stopped()) {
            const uint32_t seen = bell_.seen();
            if (!layAny(from, kClaimMost))
                bell_.idleUntil(seen, stopped);
        }
    } catch (...) {
        fail();
        throw;
    }
}

} // namespace pq
