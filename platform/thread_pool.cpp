#include "platform/thread_pool.h"

#include "platform/run_context.h"
#include "platform/simd_state.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {
namespace {

thread_local bool tInsideBody = false;
thread_local bool tPoolWorker = false;

std::atomic<bool> gHookSet{false};
std::mutex gHookMutex;
std::function<void()> gHook; // under gHookMutex

void RunWorkerHook()
{
    if (!tPoolWorker || !gHookSet.load(std::memory_order_acquire))
        return;
    std::function<void()> hook;
    {
        const std::lock_guard lock(gHookMutex);
        hook = gHook;
    }
    if (hook)
        hook();
}

struct Job {
    int end = 0;
    int grain = 1;
    const std::function<void(int, int)>* body = nullptr;
    RunContext* context = nullptr;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::condition_variable done;
    int running = 0; // blocks in progress, guarded by mutex
    std::exception_ptr error;

    // Runs blocks until none are left. Returns when this thread found no more work.
    void work()
    {
        ClearUpperSimdState();
        ScopedRunContext scope(context);
        const bool wasInside = tInsideBody;
        tInsideBody = true;
        for (;;) {
            {
                std::lock_guard lock(mutex);
                ++running;
            }
            const int lo = next.fetch_add(grain, std::memory_order_relaxed);
            if (lo >= end) {
                finishBlock();
                break;
            }
            const int hi = std::min(end, lo + grain);
            try {
                RunWorkerHook();
                (*body)(lo, hi);
            } catch (...) {
                // Exhaust the range first: a thread that has not yet claimed a
                // block must not claim one once the caller may have returned,
                // and none should start one while this thread waits for the lock.
                failed.store(true, std::memory_order_relaxed);
                next.store(end, std::memory_order_relaxed);
                std::lock_guard lock(mutex);
                if (!error)
                    error = std::current_exception();
            }
            finishBlock();
        }
        tInsideBody = wasInside;
    }

    void finishBlock()
    {
        std::lock_guard lock(mutex);
        if (--running == 0)
            done.notify_all();
    }

    bool exhausted() const
    {
        return failed.load(std::memory_order_relaxed) || next.load(std::memory_order_relaxed) >= end;
    }
};

class Pool {
public:
    ~Pool() { stop(); }

    void configure(int minWorkers, int maxWorkers)
    {
        std::lock_guard lock(mutex_);
        minWorkers_ = std::max(0, minWorkers);
        maxWorkers_ = std::max(minWorkers_, maxWorkers);
        stopping_ = false;
        // Workers are started lazily up to maxWorkers_; threads beyond it idle.
        wake_.notify_all();
    }

    int workerCount()
    {
        std::lock_guard lock(mutex_);
        return maxWorkers_;
    }

    void submit(const std::shared_ptr<Job>& job)
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        while (static_cast<int>(threads_.size()) < maxWorkers_) {
            const int index = static_cast<int>(threads_.size());
            threads_.emplace_back([this, index] { loop(index); });
        }
        jobs_.push_back(job);
        // Wake everyone: threads beyond the configured size ignore jobs, so a
        // single notification could land on one of them and be lost.
        wake_.notify_all();
    }

    void stop()
    {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            jobs_.clear();
            threads.swap(threads_);
        }
        wake_.notify_all();
        for (auto& t : threads)
            if (t.joinable())
                t.join();
    }

private:
    void loop(int index)
    {
        tPoolWorker = true;
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this, index] { return stopping_ || (!jobs_.empty() && index < maxWorkers_); });
                if (stopping_)
                    return;
                // Drop finished jobs, take the oldest live one.
                while (!jobs_.empty() && jobs_.front()->exhausted())
                    jobs_.pop_front();
                if (jobs_.empty())
                    continue;
                job = jobs_.front();
            }
            job->work();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::vector<std::thread> threads_;
    int minWorkers_ = 1;
    int maxWorkers_ = 2;
    bool stopping_ = false;
};

Pool& SharedPool()
{
    static Pool instance;
    return instance;
}

} // namespace

void ConfigureThreadPool(int minWorkers, int maxWorkers)
{
    SharedPool().configure(minWorkers, maxWorkers);
}

void ConfigureDefaultThreadPool()
{
    const int cpus = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    ConfigureThreadPool(1, std::max(2, cpus - 2));
}

int ThreadPoolWorkerCount()
{
    return SharedPool().workerCount();
}

void ParallelForRange(int begin, int end, int grain, const std::function<void(int, int)>& body)
{
    if (end <= begin)
        return;
    grain = std::max(1, grain);
    const int blocks = (end - begin + grain - 1) / grain;
    if (tInsideBody || blocks == 1) {
        for (int lo = begin; lo < end; lo += grain)
            body(lo, std::min(end, lo + grain));
        return;
    }
    auto job = std::make_shared<Job>();
    job->end = end;
    job->grain = grain;
    job->body = &body;
    job->context = CurrentRunContext();
    job->next.store(begin);
    SharedPool().submit(job);
    job->work();
    {
        std::unique_lock lock(job->mutex);
        job->done.wait(lock, [&] { return job->running == 0; });
    }
    // Every block has returned and no worker can start another: the body
    // reference is not used past this point.
    if (job->error)
        std::rethrow_exception(job->error);
}

void ParallelFor(int begin, int end, const std::function<void(int)>& body)
{
    const int n = end - begin;
    if (n <= 0)
        return;
    const int workers = ThreadPoolWorkerCount() + 1;
    const int grain = std::max(1, n / (workers * 8));
    ParallelForRange(begin, end, grain, [&body](int lo, int hi) {
        for (int i = lo; i < hi; ++i)
            body(i);
    });
}

void RunWithHelpers(int helpers, const std::function<void(int)>& help, const std::function<void()>& lead)
{
    helpers = std::min(helpers, ThreadPoolWorkerCount());
    if (helpers <= 0 || tInsideBody) {
        lead();
        return;
    }
    const std::function<void(int, int)> body = [&help](int lo, int) { help(lo); };
    auto job = std::make_shared<Job>();
    job->end = helpers;
    job->grain = 1;
    job->body = &body;
    job->context = CurrentRunContext();
    SharedPool().submit(job);
    // However lead() ends: no helper starts from now on, and those that
    // started have returned before `help` and `body` go.
    const auto close = [&job] {
        job->next.store(job->end, std::memory_order_relaxed);
        std::unique_lock lock(job->mutex);
        job->done.wait(lock, [&job] { return job->running == 0; });
    };
    try {
        lead();
    } catch (...) {
        close();
        throw;
    }
    close();
    if (job->error)
        std::rethrow_exception(job->error);
}

void SetPoolWorkerHookForTests(std::function<void()> hook)
{
    const std::lock_guard lock(gHookMutex);
    gHook = std::move(hook);
    gHookSet.store(bool(gHook), std::memory_order_release);
}

void ShutdownThreadPool()
{
    SharedPool().stop();
}

} // namespace platform
