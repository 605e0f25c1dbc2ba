#pragma once

// A place where threads sleep until a condition on shared atomics holds.
// The condition is the waiter's own predicate; a thread that changes what
// it reads calls notify() afterwards. Waiters block in the kernel (a
// condition variable) and never spin; notify() costs a fence and a load
// while nobody sleeps.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class WaitSignal {
public:
    // Blocks until ready() holds. ready() reads atomics written by others.
    template <class Ready>
    void waitUntil(Ready&& ready)
    {
        if (ready())
            return;
        std::unique_lock lock(mutex_);
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        while (!ready())
            wake_.wait(lock);
        sleepers_.fetch_sub(1, std::memory_order_relaxed);
    }

    // As waitUntil, for at most `timeout`; whether ready() held.
    template <class Ready, class Rep, class Period>
    bool waitUntilFor(Ready&& ready, std::chrono::duration<Rep, Period> timeout)
    {
        if (ready())
            return true;
        const auto until = std::chrono::steady_clock::now() + timeout;
        std::unique_lock lock(mutex_);
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        bool held = ready();
        while (!held && wake_.wait_until(lock, until) == std::cv_status::no_timeout)
            held = ready();
        held = held || ready();
        sleepers_.fetch_sub(1, std::memory_order_relaxed);
        return held;
    }

    // After a change a waiter's ready() may see: wakes every sleeper.
    void notify()
    {
        // Orders the change before the look at the sleepers, as the
        // sleeper's count comes before its look at the condition: one of
        // the two sees the other.
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (sleepers_.load(std::memory_order_relaxed) == 0)
            return;
        {
            // A sleeper between its test and its sleep holds the lock.
            const std::lock_guard lock(mutex_);
        }
        wake_.notify_all();
    }

    // As notify(), waking one sleeper: for waiters that all wait for the
    // same thing, of whom one is enough.
    void notifyOne()
    {
        std::atomic_thread_fence(std::memory_order_seq_cst);
        if (sleepers_.load(std::memory_order_relaxed) == 0)
            return;
        {
            const std::lock_guard lock(mutex_);
        }
        wake_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<int> sleepers_{0};
};

// A count of changes that threads looking for work wait on: they read
// seen() before they look, and when they found nothing sleep until the
// count has moved on. ring() after every change that may give work.
class WorkBell {
public:
    uint32_t seen() const { return rings_.load(std::memory_order_acquire); }

    void ring()
    {
        rings_.fetch_add(1, std::memory_order_release);
        idle_.notifyOne();
        waiting_.notify();
    }

    // As ring(), for work that only the idle threads take: they alone are woken.
    void ringWork()
    {
        rings_.fetch_add(1, std::memory_order_release);
        idle_.notifyOne();
    }

    // As ring(), for a change that gives no work (a piece of work done):
    // only the threads waiting on one thing are woken.
    void ringDone()
    {
        rings_.fetch_add(1, std::memory_order_release);
        waiting_.notify();
    }

    // As ring(), waking every idle thread (the end of the work).
    void ringAll()
    {
        rings_.fetch_add(1, std::memory_order_release);
        idle_.notify();
        waiting_.notify();
    }

    // For the threads that look for any work (one of them is woken by a
    // ring), until the count moves past `seen` or stop() holds.
    template <class Stop>
    void idleUntil(uint32_t seen, Stop&& stop)
    {
        idle_.waitUntil([&] { return rings_.load(std::memory_order_acquire) != seen || stop(); });
    }

    // For a thread waiting on one thing (every waiter is woken by a ring):
    // until ready() holds, for at most `timeout`; whether it held.
    template <class Ready, class Rep, class Period>
    bool waitUntilFor(Ready&& ready, std::chrono::duration<Rep, Period> timeout)
    {
        return waiting_.waitUntilFor(ready, timeout);
    }
    template <class Ready>
    void waitUntil(Ready&& ready)
    {
        waiting_.waitUntil(ready);
    }

private:
    std::atomic<uint32_t> rings_{0};
    WaitSignal idle_;
    WaitSignal waiting_;
};

} // namespace platform
