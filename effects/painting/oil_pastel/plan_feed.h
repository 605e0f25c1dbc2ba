#pragma once

// How many items of a batch a producer has made, for the threads that take
// them in order: a waiting thread sleeps until the producer has made the
// item it waits for or has ended.

#include "platform/wait_signal.h"

#include <atomic>

namespace pq {

class PlanFeed {
public:
    void publish(int n) { tell(n); }
    // Making has ended with n items.
    void finish(int n) { tell(n | kEnded); }

    // Waits until item j is made; false when making ended first.
    bool await(int j)
    {
        int n = 0;
        made_.waitUntil([&] {
            n = planned_.load(std::memory_order_acquire);
            return (n & ~kEnded) > j || (n & kEnded) != 0;
        });
        return (n & ~kEnded) > j;
    }

private:
    static constexpr int kEnded = 1 << 30;

    void tell(int value)
    {
        planned_.store(value, std::memory_order_release);
        made_.notify();
    }

    std::atomic<int> planned_{0};
    platform::WaitSignal made_;
};

} // namespace pq
