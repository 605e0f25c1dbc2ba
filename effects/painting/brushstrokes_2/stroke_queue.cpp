#include "effects/painting/brushstrokes_2/stroke_queue.h"

#include <algorithm>

namespace pq {

void StrokeQueue::open()
{
    std::lock_guard lock(mutex_);
    closed_ = aborted_ = false;
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
    // While the pass is generated a sleeper is woken for a few strokes at
    // a time: a wake costs the generating thread more than a stroke's
    // draws, and whoever takes one wakes the next sleeper.
    if (sleepers_ > 0 && (finished_ || ready_.size() - readyHead_ >= kWakeForReady))
        wake_.notify_one();
}

void StrokeQueue::finish()
{
    std::lock_guard lock(mutex_);
    finished_ = true;
    if (sleepers_ > 0 && readyHead_ < ready_.size())
        wake_.notify_one();
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
            lock.unlock();
            draw(k);
            done(k);
            lock.lock();
            continue;
        }
        draining_ = true;
        passed_.wait(lock, [this] { return aborted_ || passDrawn() || readyHead_ < ready_.size(); });
        draining_ = false;
    }
}

void StrokeQueue::close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    wake_.notify_all();
}

void StrokeQueue::abort()
{
    std::lock_guard lock(mutex_);
    aborted_ = true;
    wake_.notify_all();
    passed_.notify_all();
}

int StrokeQueue::take()
{
    std::unique_lock lock(mutex_);
    ++sleepers_;
    wake_.wait(lock, [this] { return readyHead_ < ready_.size() || closed_ || aborted_; });
    --sleepers_;
    if (aborted_ || readyHead_ == ready_.size())
        return -1;
    const int k = ready_[readyHead_++];
    // More ready than this thread takes: this thread, not the generating
    // one, pays for waking another.
    if (readyHead_ < ready_.size() && sleepers_ > 0)
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
        if (draining_)
            passed_.notify_one();
    } else if (draining_ && readyHead_ < ready_.size()) {
        passed_.notify_one();
    }
}

} // namespace pq
