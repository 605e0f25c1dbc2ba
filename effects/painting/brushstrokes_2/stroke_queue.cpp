#include "effects/painting/brushstrokes_2/stroke_queue.h"

#include <algorithm>
#include <immintrin.h>

namespace pq {
namespace {

// Rounds of a pause a waiting thread spins before it sleeps: some tens of
// microseconds.
constexpr int kSpins = 4096;

// Spins until `ready` holds or the rounds run out.
template <class Ready>
void SpinFor(Ready&& ready)
{
    for (int i = 0; i < kSpins && !ready(); ++i)
        _mm_pause();
}

} // namespace

void StrokeQueue::open()
{
    std::lock_guard lock(mutex_);
    closed_ = aborted_ = false;
    publish();
}

void StrokeQueue::begin(int columns, int rows, size_t capacity)
{
    columns_ = columns;
    blockLast_.assign(size_t(columns) * size_t(std::max(rows, 0)), -1);
    std::lock_guard lock(mutex_);
    if (followers_.size() < capacity)
        followers_.resize(capacity);
    for (size_t k = 0; k < capacity; ++k)
        followers_[k].clear();
    waitingOn_.assign(capacity, 0);
    drawn_.assign(capacity, 0);
    ready_.clear();
    ready_.reserve(capacity);
    readyHead_ = 0;
    added_ = drawnCount_ = 0;
    finished_ = false;
    drawnAll_.store(false, std::memory_order_relaxed);
    publish();
}

void StrokeQueue::add(int k, int bx0, int by0, int bx1, int by1)
{
    earlier_.clear();
    for (int by = by0; by < by1; ++by)
        for (int bx = bx0; bx < bx1; ++bx) {
            int& last = blockLast_[size_t(by) * size_t(columns_) + size_t(bx)];
            if (last >= 0)
                earlier_.push_back(last);
            last = k;
        }
    std::sort(earlier_.begin(), earlier_.end());
    earlier_.erase(std::unique(earlier_.begin(), earlier_.end()), earlier_.end());

    std::lock_guard lock(mutex_);
    ++added_;
    for (const int e : earlier_)
        if (!drawn_[size_t(e)]) {
            followers_[size_t(e)].push_back(k);
            ++waitingOn_[size_t(k)];
        }
    if (waitingOn_[size_t(k)] == 0)
        push(k);
}

void StrokeQueue::push(int k)
{
    ready_.push_back(k);
    takeable_.store(true, std::memory_order_release);
    if (sleepers_ > 0 && spinners_.load(std::memory_order_acquire) == 0)
        wake_.notify_one();
}

void StrokeQueue::finish()
{
    std::lock_guard lock(mutex_);
    finished_ = true;
    drawnAll_.store(passDrawn(), std::memory_order_release);
}

bool StrokeQueue::drain(const std::function<void(int)>& draw)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (aborted_)
            return false;
        if (passDrawn())
            return true;
        if (readyHead_ < ready_.size()) {
            const int k = ready_[readyHead_++];
            publish();
            lock.unlock();
            draw(k);
            done(k);
            lock.lock();
            continue;
        }
        lock.unlock();
        SpinFor([this] {
            return drawnAll_.load(std::memory_order_acquire) || takeable_.load(std::memory_order_acquire);
        });
        lock.lock();
        draining_ = true;
        passed_.wait(lock, [this] { return aborted_ || passDrawn() || readyHead_ < ready_.size(); });
        draining_ = false;
    }
}

void StrokeQueue::close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    publish();
    wake_.notify_all();
}

void StrokeQueue::abort()
{
    std::lock_guard lock(mutex_);
    aborted_ = true;
    publish();
    wake_.notify_all();
    passed_.notify_all();
}

int StrokeQueue::take()
{
    std::unique_lock lock(mutex_, std::defer_lock);
    spinners_.fetch_add(1, std::memory_order_acq_rel);
    for (int i = 0; i < kSpins; ++i) {
        // Only a thread that may find a stroke takes the lock, and only
        // when it is free: spinning threads never queue on it.
        if (takeable_.load(std::memory_order_acquire) && lock.try_lock())
            break;
        _mm_pause();
    }
    spinners_.fetch_sub(1, std::memory_order_acq_rel);
    if (!lock.owns_lock())
        lock.lock();
    ++sleepers_;
    wake_.wait(lock, [this] { return readyHead_ < ready_.size() || closed_ || aborted_; });
    --sleepers_;
    if (aborted_ || readyHead_ == ready_.size())
        return -1;
    const int k = ready_[readyHead_++];
    publish();
    // More ready than threads spinning for them: this thread, not the
    // generating one, pays for waking another.
    if (readyHead_ < ready_.size() && sleepers_ > 0 && spinners_.load(std::memory_order_acquire) == 0)
        wake_.notify_one();
    return k;
}

void StrokeQueue::done(int k)
{
    std::lock_guard lock(mutex_);
    drawn_[size_t(k)] = 1;
    ++drawnCount_;
    for (const int f : followers_[size_t(k)])
        if (--waitingOn_[size_t(f)] == 0)
            push(f);
    if (passDrawn()) {
        drawnAll_.store(true, std::memory_order_release);
        if (draining_)
            passed_.notify_one();
    } else if (draining_ && readyHead_ < ready_.size()) {
        passed_.notify_one();
    }
}

} // namespace pq
