#include "effects/painting/stochastic_painting/striped_draws.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <utility>

namespace pq {
namespace {

// Strokes a helper lays per claim, so that it lets go of a stripe soon.
constexpr int64_t kClaimMost = 16;
// Strokes the run's thread lays elsewhere while the stripe it needs is held.
constexpr int64_t kAsideMost = 2;
constexpr int64_t kEvery = INT64_MAX;

} // namespace

StripedDraws::StripedDraws(int width, int height, Draw draw)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), draw_(std::move(draw)),
      stripes_(std::max(1, (height_ + kStripe - 1) / kStripe)),
      stripe_(std::make_unique<Stripe[]>(size_t(stripes_))), queue_(size_t(stripes_) * kRing, 0),
      waiting_(std::make_unique<std::atomic<uint64_t>[]>(size_t((stripes_ + 63) / 64))),
      words_((stripes_ + 63) / 64), areas_(kRing), columns_((width_ + kBlock - 1) / kBlock),
      lastOver_(size_t(columns_) * size_t((height_ + kBlock - 1) / kBlock), 0), queued_(size_t(stripes_), 0)
{
}

bool StripedDraws::claim(int s)
{
    std::atomic<bool>& held = stripe_[size_t(s)].held;
    bool free = false;
    return !held.load(std::memory_order_relaxed) &&
           held.compare_exchange_strong(free, true, std::memory_order_acquire, std::memory_order_relaxed);
}

// Clears the stripe's waiting bit when it has nothing left, then lets it go.
// A push after the look sets the bit again: the pusher stores its count
// before it looks at the bit, this thread clears the bit before it looks
// at the count, so one of the two sees the other.
void StripedDraws::release(int s)
{
    Stripe& st = stripe_[size_t(s)];
    const int64_t laid = st.laid.load(std::memory_order_relaxed);
    if (st.pushed.load(std::memory_order_seq_cst) == laid) {
        std::atomic<uint64_t>& word = waiting_[size_t(s / 64)];
        const uint64_t bit = uint64_t(1) << (s % 64);
        word.fetch_and(~bit, std::memory_order_seq_cst);
        if (st.pushed.load(std::memory_order_seq_cst) != laid)
            word.fetch_or(bit, std::memory_order_seq_cst);
    }
    st.held.store(false, std::memory_order_release);
    laid_.notify();
}

void StripedDraws::markWaiting(int s)
{
    std::atomic<uint64_t>& word = waiting_[size_t(s / 64)];
    const uint64_t bit = uint64_t(1) << (s % 64);
    if (!(word.load(std::memory_order_seq_cst) & bit))
        word.fetch_or(bit, std::memory_order_seq_cst);
}

void StripedDraws::layClaimed(int s, int64_t most, int64_t before)
{
    Stripe& st = stripe_[size_t(s)];
    const int64_t pushed = st.pushed.load(std::memory_order_acquire);
    const int top = s * kStripe, bottom = std::min(height_, top + kStripe) - 1;
    const int64_t* const queue = queue_.data() + size_t(s) * kRing;
    for (int64_t e = st.laid.load(std::memory_order_relaxed); e < pushed && most > 0; ++e, --most) {
        const int64_t n = queue[e % kRing];
        if (n >= before)
            return;
        const QRect& a = areas_[size_t(n % kRing)];
        draw_(n, std::max(a.top(), top), std::min(a.bottom(), bottom));
        st.laid.store(e + 1, std::memory_order_release);
        // The run's thread may be waiting for this one.
        laid_.notify();
    }
}

bool StripedDraws::layAny(int& from, int64_t most)
{
    // The first stripe in lo..hi - 1 whose waiting bit is set, or -1.
    const auto firstWaiting = [this](int lo, int hi) {
        for (int w = lo / 64; w < words_ && w * 64 < hi; ++w) {
            uint64_t bits = waiting_[size_t(w)].load(std::memory_order_acquire);
            if (w == lo / 64)
                bits &= ~uint64_t(0) << (lo % 64);
            if (bits != 0) {
                const int s = w * 64 + std::countr_zero(bits);
                return s < hi ? s : -1;
            }
        }
        return -1;
    };
    for (int pass = 0; pass < 2; ++pass) {
        const int lo = pass == 0 ? from : 0, hi = pass == 0 ? stripes_ : from;
        for (int s = firstWaiting(lo, hi); s >= 0; s = firstWaiting(s + 1, hi))
            if (claim(s)) {
                layClaimed(s, most, kEvery);
                release(s);
                from = s + 1 < stripes_ ? s + 1 : 0;
                return true;
            }
    }
    return false;
}

bool StripedDraws::laidBelow(int s, int64_t before) const
{
    const int64_t laid = stripe_[size_t(s)].laid.load(std::memory_order_acquire);
    return laid >= queued_[size_t(s)] || queue_[size_t(s) * kRing + size_t(laid % kRing)] >= before;
}

bool StripedDraws::waitStripe(int s, int64_t before)
{
    for (;;) {
        if (failed_.load(std::memory_order_acquire))
            return false;
        if (laidBelow(s, before))
            return true;
        if (claim(s)) {
            layClaimed(s, kEvery, before);
            release(s);
            continue;
        }
        // Another thread is laying it: lay a little elsewhere meanwhile,
        // else sleep until it has got far enough or lets go.
        if (layAny(aside_, kAsideMost))
            continue;
        laid_.waitUntil([&] {
            return failed_.load(std::memory_order_acquire) || laidBelow(s, before) ||
                   !stripe_[size_t(s)].held.load(std::memory_order_acquire);
        });
    }
}

int64_t StripedDraws::reserve()
{
    if (next_ >= kRing) {
        // The slot's last stroke must be laid everywhere.
        const int64_t old = next_ - kRing;
        const QRect& a = areas_[size_t(old % kRing)];
        for (int s = a.top() / kStripe; s <= a.bottom() / kStripe; ++s)
            if (!waitStripe(s, old + 1))
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
    for (int s = area.top() / kStripe; s <= area.bottom() / kStripe; ++s) {
        const int64_t e = queued_[size_t(s)]++;
        queue_[size_t(s) * kRing + size_t(e % kRing)] = n;
        stripe_[size_t(s)].pushed.store(e + 1, std::memory_order_seq_cst);
        markWaiting(s);
    }
    if (next_ - rung_ >= kWakeEvery) {
        rung_ = next_;
        bell_.ringWork();
    }
}

bool StripedDraws::await(const QRect& box)
{
    for (int s = box.top() / kStripe; s <= box.bottom() / kStripe; ++s) {
        if (stripe_[size_t(s)].laid.load(std::memory_order_acquire) >= queued_[size_t(s)])
            continue; // nothing waits here
        // The last stroke over the box's blocks in this stripe.
        const int top = std::max(box.top(), s * kStripe), bottom = std::min(box.bottom(), s * kStripe + kStripe - 1);
        int64_t needed = 0;
        for (int by = top / kBlock; by <= bottom / kBlock; ++by)
            for (int bx = box.left() / kBlock; bx <= box.right() / kBlock; ++bx)
                needed = std::max(needed, lastOver_[size_t(by) * size_t(columns_) + size_t(bx)]);
        if (needed > 0 && !waitStripe(s, needed))
            return false;
    }
    return !failed_.load(std::memory_order_acquire);
}

bool StripedDraws::awaitAll()
{
    for (int s = 0; s < stripes_; ++s)
        if (queued_[size_t(s)] > 0 && !waitStripe(s, next_))
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
    int from = int(int64_t(visitors_.fetch_add(1, std::memory_order_relaxed)) * 37 % stripes_);
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
