#include "platform/run_context.h"
#include "platform/thread_pool.h"
#include "platform/ui_bridge.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct Abort : std::exception {};

class TestRun : public platform::RunContext {
public:
    explicit TestRun(int g) { generation = g; }
};

TEST(ThreadPool, EveryIndexRunsOnce)
{
    std::vector<std::atomic<int>> hits(10007);
    platform::ParallelFor(0, 10007, [&](int i) { hits[i]++; });
    for (const auto& h : hits)
        ASSERT_EQ(h.load(), 1);
}

TEST(ThreadPool, BodiesSeeTheCallersRunContext)
{
    TestRun run(17);
    run.preview = true;
    platform::ScopedRunContext scope(&run);
    std::atomic<int> wrong{0};
    std::mutex m;
    std::set<std::thread::id> threads;
    platform::ParallelForRange(0, 4000, 10, [&](int, int) {
        auto* ctx = platform::CurrentRunContext();
        if (ctx != &run || !ctx->preview || ctx->generation != 17)
            wrong++;
        std::lock_guard lock(m);
        threads.insert(std::this_thread::get_id());
    });
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(platform::CurrentRunContext(), &run);
}

TEST(ThreadPool, PoolThreadsForgetTheContextAfterTheLoop)
{
    {
        TestRun run(3);
        platform::ScopedRunContext scope(&run);
        platform::ParallelForRange(0, 64, 1, [](int, int) {});
    }
    std::atomic<int> stale{0};
    platform::ParallelForRange(0, 64, 1, [&](int, int) {
        if (platform::CurrentRunContext() != nullptr)
            stale++;
    });
    EXPECT_EQ(stale.load(), 0);
}

TEST(ThreadPool, AbortInABodyReachesTheCallerAndStopsTheRest)
{
    // Block 0 is claimed first and throws; every other block waits until it
    // has, so the remaining range can only be skipped, never raced through.
    std::atomic<bool> thrown{false};
    std::atomic<int> afterThrow{0};
    EXPECT_THROW(platform::ParallelForRange(0, 100000, 1,
                                            [&](int lo, int) {
                                                if (lo == 0) {
                                                    thrown = true;
                                                    throw Abort();
                                                }
                                                for (int i = 0; i < 2000 && !thrown; ++i)
                                                    std::this_thread::sleep_for(std::chrono::microseconds(500));
                                                // The thrower may be preempted between setting
                                                // the flag and its throw: blocks take a while, so
                                                // the others cannot race through the whole range.
                                                std::this_thread::sleep_for(std::chrono::microseconds(200));
                                                afterThrow++;
                                            }),
                 Abort);
    EXPECT_LT(afterThrow.load(), 50000);
    // The pool still works afterwards.
    std::atomic<int> sum{0};
    platform::ParallelFor(0, 100, [&](int i) { sum += i; });
    EXPECT_EQ(sum.load(), 4950);
}

TEST(ThreadPool, NestedLoopsAndConcurrentCallers)
{
    std::atomic<long> total{0};
    auto work = [&] {
        platform::ParallelFor(0, 50, [&](int) { platform::ParallelFor(0, 20, [&](int j) { total += j; }); });
    };
    std::thread a(work), b(work);
    work();
    a.join();
    b.join();
    EXPECT_EQ(total.load(), 3 * 50 * 190);
}

// Two workers besides the caller for the guard's lifetime.
struct TwoWorkers {
    TwoWorkers() { platform::ConfigureThreadPool(2, 2); }
    ~TwoWorkers() { platform::ConfigureDefaultThreadPool(); }
};

// Runs a loop whose block 0 waits (up to 10 s) until a body has run on
// another thread. False when none did: the loop ran on one thread.
bool LoopUsesAnotherThread()
{
    std::mutex m;
    std::condition_variable arrived;
    std::set<std::thread::id> others;
    bool sawOther = false;
    platform::ParallelForRange(0, 64, 1, [&](int lo, int) {
        std::unique_lock lock(m);
        if (lo != 0) {
            others.insert(std::this_thread::get_id());
            arrived.notify_all();
            return;
        }
        const auto me = std::this_thread::get_id();
        sawOther = arrived.wait_for(lock, std::chrono::seconds(10),
                                    [&] { return others.size() > others.count(me); });
    });
    return sawOther;
}

TEST(ThreadPool, LaterLoopsFromTheSameThreadStillRunInParallel)
{
    TwoWorkers workers;
    platform::ParallelFor(0, 1000, [](int) {});
    EXPECT_TRUE(LoopUsesAnotherThread()) << "after a plain loop";
    EXPECT_TRUE(LoopUsesAnotherThread()) << "after a loop of the check itself";
}

TEST(ThreadPool, LoopsAfterAnAbortStillRunInParallel)
{
    TwoWorkers workers;
    EXPECT_THROW(platform::ParallelForRange(0, 256, 1,
                                            [](int lo, int) {
                                                if (lo == 0)
                                                    throw Abort();
                                            }),
                 Abort);
    EXPECT_TRUE(LoopUsesAnotherThread()) << "after an abort";
    EXPECT_TRUE(LoopUsesAnotherThread()) << "and again";
}

TEST(ThreadPool, SingleWorkerGivesTheSameResult)
{
    auto run = [] {
        std::vector<int> out(5000);
        platform::ParallelFor(0, 5000, [&](int i) { out[i] = i * 7 % 13; });
        return out;
    };
    const auto pooled = run();
    platform::ConfigureThreadPool(1, 1);
    const auto single = run();
    platform::ConfigureDefaultThreadPool();
    EXPECT_EQ(pooled, single);
}

TEST(ManualBridge, RunSyncFromWorkerRunsOnTheUiThreadInOrder)
{
    platform::ManualUiBridge bridge;
    std::vector<int> order;
    std::thread::id ranOn;
    std::thread worker([&] {
        bridge.post([&] { order.push_back(1); });
        bridge.runSync([&] {
            order.push_back(2);
            ranOn = std::this_thread::get_id();
        });
        bridge.post([&] { order.push_back(3); });
    });
    ASSERT_TRUE(bridge.pumpUntil([&] { return order.size() == 3; }));
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(ManualBridge, ExceptionInSyncCallReachesTheWorker)
{
    platform::ManualUiBridge bridge;
    auto result = std::async(std::launch::async, [&] {
        try {
            bridge.runSync([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error&) {
            return true;
        }
        return false;
    });
    ASSERT_TRUE(bridge.pumpUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(result.get());
}

TEST(ManualBridge, RefusesCallsAfterShutdownAndReleasesWaiters)
{
    platform::ManualUiBridge bridge;
    std::promise<bool> started;
    auto waiting = std::async(std::launch::async, [&] {
        started.set_value(true);
        return bridge.runSync([] {});
    });
    started.get_future().wait();
    // Let the worker queue its call, then shut down without pumping.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bridge.shutdown();
    EXPECT_FALSE(waiting.get());
    bool ran = false;
    EXPECT_FALSE(bridge.post([&] { ran = true; }));
    std::thread t([&] { EXPECT_FALSE(bridge.runSync([&] { ran = true; })); });
    t.join();
    EXPECT_FALSE(ran);
}

TEST(QtBridge, DeliversThroughTheEventLoop)
{
    auto bridge = platform::MakeQtUiBridge();
    std::atomic<int> value{0};
    std::atomic<bool> syncDone{false};
    std::thread worker([&] {
        bridge->post([&] { value = 1; });
        bridge->runSync([&] { value = value * 10 + 2; });
        syncDone = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!syncDone && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(value.load(), 12);
    bridge->shutdown();
    EXPECT_FALSE(bridge->post([] {}));
}

} // namespace
