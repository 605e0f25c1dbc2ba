#include "platform/ui_bridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>

namespace platform {

UiBridge::~UiBridge() = default;

void LogError(const char* context, const char* what)
{
    std::fprintf(stderr, "pastelloquin: %s: %s\n", context, what);
}

namespace {

void RunCaught(const std::function<void()>& fn, const char* context)
{
    try {
        fn();
    } catch (const std::exception& e) {
        LogError(context, e.what());
    } catch (...) {
        LogError(context, "unknown exception");
    }
}

class QtUiBridge : public UiBridge {
public:
    QtUiBridge() : context_(std::make_unique<QObject>()) {}

    ~QtUiBridge() override { shutdown(); }

    bool isUiThread() const override { return QThread::currentThread() == context_->thread(); }

    bool runSync(std::function<void()> fn) override
    {
        if (shutDown_.load())
            return false;
        if (isUiThread()) {
            fn();
            return true;
        }
        std::exception_ptr error;
        std::atomic<bool> ran{false};
        QObject* target = context_.get();
        const bool queued = QMetaObject::invokeMethod(
            target,
            [&] {
                if (shutDown_.load())
                    return;
                ran = true;
                try {
                    fn();
                } catch (...) {
                    error = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (error)
            std::rethrow_exception(error);
        return queued && ran.load();
    }

    bool post(std::function<void()> fn) override
    {
        if (shutDown_.load())
            return false;
        if (isUiThread()) {
            RunCaught(fn, "UI call");
            return true;
        }
        return QMetaObject::invokeMethod(
            context_.get(),
            [this, fn = std::move(fn)] {
                if (!shutDown_.load())
                    RunCaught(fn, "queued UI call");
            },
            Qt::QueuedConnection);
    }

    void shutdown() override { shutDown_.store(true); }
    bool isShutDown() const override { return shutDown_.load(); }

private:
    std::unique_ptr<QObject> context_;
    std::atomic<bool> shutDown_{false};
};

std::mutex gBridgeMutex;
std::shared_ptr<UiBridge> gBridge;

} // namespace

UiBridge& CurrentUiBridge()
{
    std::lock_guard lock(gBridgeMutex);
    if (!gBridge)
        gBridge = MakeQtUiBridge();
    return *gBridge;
}

void SetUiBridge(std::shared_ptr<UiBridge> bridge)
{
    std::lock_guard lock(gBridgeMutex);
    gBridge = std::move(bridge);
}

std::shared_ptr<UiBridge> MakeQtUiBridge()
{
    return std::make_shared<QtUiBridge>();
}

// ---- ManualUiBridge ----

struct ManualUiBridge::Task {
    std::function<void()> fn;
    bool sync = false;
    bool done = false;
    bool ran = false;
    std::exception_ptr error;
};

ManualUiBridge::ManualUiBridge() : uiThread_(std::this_thread::get_id()) {}

ManualUiBridge::~ManualUiBridge()
{
    shutdown();
}

bool ManualUiBridge::isUiThread() const
{
    return std::this_thread::get_id() == uiThread_;
}

bool ManualUiBridge::runSync(std::function<void()> fn)
{
    if (isShutDown())
        return false;
    if (isUiThread()) {
        fn();
        return true;
    }
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    task->sync = true;
    std::unique_lock lock(mutex_);
    if (shutDown_)
        return false;
    queue_.push_back(task);
    changed_.notify_all();
    changed_.wait(lock, [&] { return task->done || shutDown_; });
    if (task->error)
        std::rethrow_exception(task->error);
    return task->ran;
}

bool ManualUiBridge::post(std::function<void()> fn)
{
    if (isShutDown())
        return false;
    if (isUiThread()) {
        RunCaught(fn, "UI call");
        return true;
    }
    auto task = std::make_shared<Task>();
    task->fn = std::move(fn);
    std::lock_guard lock(mutex_);
    if (shutDown_)
        return false;
    queue_.push_back(task);
    changed_.notify_all();
    return true;
}

void ManualUiBridge::shutdown()
{
    std::lock_guard lock(mutex_);
    shutDown_ = true;
    queue_.clear();
    changed_.notify_all();
}

bool ManualUiBridge::isShutDown() const
{
    std::lock_guard lock(mutex_);
    return shutDown_;
}

int ManualUiBridge::pump()
{
    int count = 0;
    while (pumpOne())
        ++count;
    return count;
}

bool ManualUiBridge::pumpOne()
{
    std::shared_ptr<Task> task;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || shutDown_)
            return false;
        task = queue_.front();
        queue_.pop_front();
    }
    if (task->sync) {
        try {
            task->fn();
        } catch (...) {
            task->error = std::current_exception();
        }
        task->ran = true;
    } else {
        RunCaught(task->fn, "queued UI call");
    }
    std::lock_guard lock(mutex_);
    task->done = true;
    changed_.notify_all();
    return true;
}

bool ManualUiBridge::pumpUntil(const std::function<bool()>& pred, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pump();
        if (pred())
            return true;
        std::unique_lock lock(mutex_);
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5)),
                            [&] { return !queue_.empty() || shutDown_; });
    }
    pump();
    return pred();
}

} // namespace platform
