#include "effects/painting/stochastic_painting/striped_draws.h"

#include <algorithm>
#include <chrono>

namespace pq {
namespace {

// join() calls after start() get at least this number.
constexpr int kClosed = 1 << 20;
// How long start() waits for pool threads to join.
constexpr auto kJoinWait = std::chrono::milliseconds(2);

} // namespace

StripedDraws::StripedDraws(int most, int width, int height)
    : most_(std::max(0, most)), progress_(std::make_unique<Progress[]>(size_t(std::max(1, most_)))),
      areas_(kRing), columns_((std::max(width, 0) + kBlock - 1) / kBlock),
      lastOver_(size_t(columns_) * size_t((std::max(height, 0) + kBlock - 1) / kBlock), 0)
{
}

int StripedDraws::join()
{
    const int h = joined_.fetch_add(1, std::memory_order_acq_rel);
    if (h >= most_)
        return -1;
    joins_.notify();
    joins_.waitUntil([this] { return started_.load(std::memory_order_acquire); });
    return h < helpers_ ? h : -1;
}

void StripedDraws::close(int helpers)
{
    helpers_ = helpers;
    started_.store(true, std::memory_order_release);
    joins_.notify();
}

int StripedDraws::start()
{
    joins_.waitUntilFor([this] { return joined_.load(std::memory_order_acquire) >= most_; }, kJoinWait);
    close(std::min(most_, joined_.exchange(kClosed, std::memory_order_acq_rel)));
    return helpers_;
}

int64_t StripedDraws::laidByAll() const
{
    int64_t laid = pushed_.load(std::memory_order_relaxed);
    for (int h = 0; h < helpers_; ++h)
        laid = std::min(laid, progress_[size_t(h)].laid.load(std::memory_order_acquire));
    return laid;
}

bool StripedDraws::waitLaid(int64_t count)
{
    if (laidByAll() >= count || failed_.load(std::memory_order_acquire))
        return !failed_.load(std::memory_order_acquire);
    // The helpers may be asleep on strokes not yet rung for.
    ring();
    awaited_.store(count, std::memory_order_seq_cst);
    laid_.waitUntil([&] { return failed_.load(std::memory_order_acquire) || laidByAll() >= count; });
    return !failed_.load(std::memory_order_acquire);
}

void StripedDraws::ring()
{
    rung_ = next_;
    pushes_.notify();
}

int64_t StripedDraws::reserve()
{
    if (next_ >= kRing && !waitLaid(next_ - kRing + 1))
        return -1;
    return failed_.load(std::memory_order_acquire) ? -1 : next_;
}

void StripedDraws::push(const QRect& area)
{
    areas_[size_t(next_ % kRing)] = area;
    ++next_;
    for (int by = area.top() / kBlock; by <= area.bottom() / kBlock; ++by)
        for (int bx = area.left() / kBlock; bx <= area.right() / kBlock; ++bx)
            lastOver_[size_t(by) * size_t(columns_) + size_t(bx)] = next_;
    pushed_.store(next_, std::memory_order_release);
    if (next_ - rung_ >= kWakeEvery)
        ring();
}

bool StripedDraws::await(const QRect& box)
{
    int64_t needed = 0;
    for (int by = box.top() / kBlock; by <= box.bottom() / kBlock; ++by)
        for (int bx = box.left() / kBlock; bx <= box.right() / kBlock; ++bx)
            needed = std::max(needed, lastOver_[size_t(by) * size_t(columns_) + size_t(bx)]);
    return needed == 0 ? !failed_.load(std::memory_order_acquire) : waitLaid(needed);
}

bool StripedDraws::awaitAll()
{
    return waitLaid(next_);
}

void StripedDraws::stop()
{
    if (!started_.load(std::memory_order_relaxed)) {
        joined_.exchange(kClosed, std::memory_order_acq_rel);
        close(0);
    }
    stopped_.store(true, std::memory_order_seq_cst);
    ring();
}

void StripedDraws::serve(int h, const std::function<void(int64_t, int, int)>& draw)
{
    std::atomic<int64_t>& laid = progress_[size_t(h)].laid;
    int64_t n = 0;
    try {
        for (;;) {
            pushes_.waitUntil([&] {
                return pushed_.load(std::memory_order_acquire) > n || stopped_.load(std::memory_order_acquire);
            });
            // Every push came before the stop.
            const int64_t pushed = pushed_.load(std::memory_order_acquire);
            if (pushed == n)
                return;
            for (; n < pushed; ++n) {
                const QRect& a = areas_[size_t(n % kRing)];
                // The first of this helper's stripes the area reaches, then every helpers_-th.
                const int first = a.top() / kStripe;
                for (int s = first + (h - first % helpers_ + helpers_) % helpers_; s * kStripe <= a.bottom();
                     s += helpers_)
                    draw(n, std::max(a.top(), s * kStripe), std::min(a.bottom(), s * kStripe + kStripe - 1));
                laid.store(n + 1, std::memory_order_seq_cst);
                // The helper that completes what the run's thread waits for
                // wakes it: of two finishing together, the fences let at
                // least one see the other's count.
                if (n + 1 >= awaited_.load(std::memory_order_seq_cst)) {
                    std::atomic_thread_fence(std::memory_order_seq_cst);
                    if (laidByAll() >= awaited_.load(std::memory_order_relaxed))
                        laid_.notify();
                }
            }
        }
    } catch (...) {
        failed_.store(true, std::memory_order_seq_cst);
        laid_.notify();
        throw;
    }
}

} // namespace pq
