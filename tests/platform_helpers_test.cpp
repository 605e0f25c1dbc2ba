// Helpers beside a lead thread on the shared pool, the wait signal they
// sleep on, and failures injected into pool workers.

#include "platform/run_context.h"
#include "platform/thread_pool.h"
#include "platform/wait_signal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Restores the default pool and removes the hook however a test ends.
struct PoolOf {
    explicit PoolOf(int workers) { platform::ConfigureThreadPool(workers, workers); }
    ~PoolOf()
    {
        platform::SetPoolWorkerHookForTests({});
        platform::ConfigureDefaultThreadPool();
    }
};

TEST(WaitSignal, WakesASleeperOnceItsConditionHolds)
{
    platform::WaitSignal signal;
    std::atomic<int> value{0};
    std::atomic<bool> woke{false};
    std::thread sleeper([&] {
        signal.waitUntil([&] { return value.load() >= 3; });
        woke = true;
    });
    // Notices that leave the condition false leave it asleep.
    for (int v = 1; v <= 2; ++v) {
        value = v;
        signal.notify();
    }
    EXPECT_FALSE(woke.load());
    value = 3;
    signal.notify();
    sleeper.join();
    EXPECT_TRUE(woke.load());
}

TEST(WaitSignal, ManyHandOversLoseNoWakeUp)
{
    // Two threads taking turns through one counter: a lost wake-up would
    // leave both asleep for ever.
    platform::WaitSignal signal;
    std::atomic<int> turn{0};
    constexpr int kTurns = 20000;
    std::thread other([&] {
        for (int t = 1; t < kTurns; t += 2) {
            signal.waitUntil([&] { return turn.load() == t; });
            turn = t + 1;
            signal.notify();
        }
    });
    for (int t = 0; t < kTurns; t += 2) {
        signal.waitUntil([&] { return turn.load() == t; });
        turn = t + 1;
        signal.notify();
    }
    other.join();
    EXPECT_EQ(turn.load(), kTurns);
}

TEST(WaitSignal, ATimedWaitSaysWhetherTheConditionHeld)
{
    platform::WaitSignal signal;
    EXPECT_FALSE(signal.waitUntilFor([] { return false; }, std::chrono::microseconds(200)));
    EXPECT_TRUE(signal.waitUntilFor([] { return true; }, std::chrono::microseconds(0)));
}

TEST(WorkBell, AnIdleThreadWakesForEveryPieceOfWorkAndForItsStop)
{
    // Work posted one piece at a time, the poster waiting for each to be
    // taken: a ring lost while the taker fell asleep would leave both
    // waiting for ever.
    platform::WorkBell bell;
    platform::WaitSignal takenSignal;
    std::atomic<bool> stop{false};
    std::atomic<int> posted{0}, taken{0};
    std::thread idle([&] {
        const auto stopped = [&] { return stop.load(); };
        for (;;) {
            const uint32_t seen = bell.seen();
            if (taken.load() < posted.load()) {
                ++taken;
                takenSignal.notify();
                continue;
            }
            if (stopped())
                return;
            bell.idleUntil(seen, stopped);
        }
    });
    constexpr int kPieces = 5000;
    for (int i = 1; i <= kPieces; ++i) {
        ++posted;
        bell.ring();
        takenSignal.waitUntil([&] { return taken.load() == i; });
    }
    stop = true;
    bell.ringAll();
    idle.join();
    EXPECT_EQ(taken.load(), kPieces);
}

TEST(RunWithHelpers, LeadRunsOnTheCallerAndHelpersOnPoolThreadsOnlyForAnyPoolSize)
{
    for (const int workers : {0, 1, 2, 5}) {
        const PoolOf pool(workers);
        for (const int asked : {0, 1, 3, 8}) {
            const std::thread::id caller = std::this_thread::get_id();
            std::mutex mutex;
            std::multiset<int> ran;
            std::atomic<bool> helperOnCaller{false};
            std::atomic<bool> done{false};
            bool leadOnCaller = false;
            platform::RunWithHelpers(
                asked,
                [&](int h) {
                    if (std::this_thread::get_id() == caller)
                        helperOnCaller = true;
                    const std::lock_guard lock(mutex);
                    ran.insert(h);
                },
                [&] {
                    leadOnCaller = std::this_thread::get_id() == caller;
                    done = true;
                });
            EXPECT_TRUE(done.load());
            EXPECT_TRUE(leadOnCaller);
            EXPECT_FALSE(helperOnCaller.load());
            // Each helper at most once, none beyond what was asked or the pool has.
            EXPECT_LE(int(ran.size()), std::min(asked, workers)) << workers << " workers, " << asked << " asked";
            for (const int h : ran) {
                EXPECT_EQ(ran.count(h), 1u);
                EXPECT_LT(h, std::min(asked, workers));
            }
        }
    }
}

TEST(RunWithHelpers, TheLeadNeverWaitsForAHelperToStart)
{
    // Pool workers held back until the lead is done: a lead that waited for
    // them would never finish.
    const PoolOf pool(3);
    std::atomic<bool> leadDone{false};
    platform::WaitSignal signal;
    platform::SetPoolWorkerHookForTests([&] { signal.waitUntil([&] { return leadDone.load(); }); });
    std::atomic<int> late{0};
    platform::RunWithHelpers(
        3,
        [&](int) {
            // A helper that comes after the lead has ended goes home at once.
            if (leadDone.load())
                ++late;
        },
        [&] {
            leadDone = true;
            signal.notify();
        });
    EXPECT_LE(late.load(), 3);
}

TEST(RunWithHelpers, HelpersSeeTheCallersRunContext)
{
    const PoolOf pool(2);
    platform::RunContext ctx;
    platform::ScopedRunContext scope(&ctx);
    std::atomic<int> wrong{0};
    std::atomic<int> helpers{0};
    std::atomic<bool> stop{false};
    platform::WaitSignal signal;
    platform::RunWithHelpers(
        2,
        [&](int) {
            if (platform::CurrentRunContext() != &ctx)
                ++wrong;
            ++helpers;
            signal.notify();
            signal.waitUntil([&] { return stop.load(); });
        },
        [&] {
            // Give the helpers a moment to come; they need not.
            signal.waitUntilFor([&] { return helpers.load() == 2; }, std::chrono::seconds(5));
            stop = true;
            signal.notify();
        });
    EXPECT_EQ(wrong.load(), 0);
}

TEST(RunWithHelpers, AFailingHelperReachesTheCallerOnceTheLeadIsDone)
{
    const PoolOf pool(2);
    std::atomic<int> failures{0};
    platform::WaitSignal signal;
    platform::SetPoolWorkerHookForTests([&] {
        ++failures;
        signal.notify();
        throw std::bad_alloc();
    });
    bool leadRan = false;
    EXPECT_THROW(platform::RunWithHelpers(
                     2, [](int) { ADD_FAILURE() << "a helper whose start failed ran"; },
                     [&] {
                         signal.waitUntil([&] { return failures.load() >= 1; });
                         leadRan = true;
                     }),
                 std::bad_alloc);
    EXPECT_TRUE(leadRan);
}

TEST(RunWithHelpers, TheLeadsFailureWinsAndNoHelperOutlivesTheCall)
{
    const PoolOf pool(3);
    std::atomic<bool> stop{false};
    std::atomic<int> inside{0};
    platform::WaitSignal signal;
    EXPECT_THROW(platform::RunWithHelpers(
                     3,
                     [&](int) {
                         ++inside;
                         signal.waitUntil([&] { return stop.load(); });
                         --inside;
                         throw std::runtime_error("helper");
                     },
                     [&] {
                         // However the lead ends, it lets its helpers go.
                         const struct Release {
                             std::atomic<bool>& stop;
                             platform::WaitSignal& signal;
                             ~Release()
                             {
                                 stop = true;
                                 signal.notify();
                             }
                         } release{stop, signal};
                         throw std::logic_error("lead");
                     }),
                 std::logic_error);
    EXPECT_EQ(inside.load(), 0);
}

TEST(PoolWorkerHook, AFailureInjectedIntoAWorkerStopsTheLoopAndReachesTheCaller)
{
    const PoolOf pool(3);
    std::atomic<int> failures{0};
    platform::WaitSignal signal;
    platform::SetPoolWorkerHookForTests([&] {
        ++failures;
        signal.notify();
        throw std::bad_alloc();
    });
    // Only the calling thread runs bodies; its first waits for a worker to fail.
    std::atomic<int> bodies{0};
    EXPECT_THROW(platform::ParallelForRange(0, 64, 1,
                                            [&](int, int) {
                                                ++bodies;
                                                signal.waitUntil([&] { return failures.load() >= 1; });
                                            }),
                 std::bad_alloc);
    EXPECT_LT(bodies.load(), 64);
    platform::SetPoolWorkerHookForTests({});
    std::atomic<int> after{0};
    platform::ParallelFor(0, 100, [&](int) { ++after; });
    EXPECT_EQ(after.load(), 100);
}

} // namespace
