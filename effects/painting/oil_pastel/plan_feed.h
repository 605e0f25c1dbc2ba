#pragma once

// How many items of a batch a producer has made, for the threads that take
// them in order: a waiting thread spins a while before it sleeps, and the
// producer wakes sleepers only.

#include <atomic>
#include <immintrin.h>

namespace pq {

class PlanFeed {
public:
    void publish(int n) { tell(n); }
    // Making has ended with n items.
    void finish(int n) { tell(n | kEnded); }

    // Waits until item j is made; false when making ended first.
    bool await(int j)
    {
        for (int spins = 0;; ++spins) {
            const int n = planned_.load(std::memory_order_acquire);
            if ((n & ~kEnded) > j)
                return true;
            if (n & kEnded)
                return false;
            if (spins < kSpins) {
                _mm_pause();
                continue;
            }
            sleepers_.fetch_add(1);
            if (planned_.load() == n)
                planned_.wait(n);
            sleepers_.fetch_sub(1);
        }
    }

private:
    static constexpr int kEnded = 1 << 30;
    static constexpr int kSpins = 2000;

    void tell(int value)
    {
        planned_.store(value);
        if (sleepers_.load() > 0)
            planned_.notify_all();
    }

    std::atomic<int> planned_{0};
    std::atomic<int> sleepers_{0};
};

} // namespace pq
