#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace platform {

// Hand-off of work to the UI thread. Both calls go through one queue, so
// their order is kept. After shutdown() every call is refused.
class UiBridge {
public:
    virtual ~UiBridge();

    virtual bool isUiThread() const = 0;

    // Runs fn on the UI thread and waits for it; runs it directly when
    // called on the UI thread. An exception raised by fn reaches the caller.
    // Returns false, without running fn, after shut-down.
    virtual bool runSync(std::function<void()> fn) = 0;

    // Queues fn for the UI thread; runs it at once when called on the UI
    // thread. Exceptions raised by fn are caught and logged.
    // Returns false, without queueing, after shut-down.
    virtual bool post(std::function<void()> fn) = 0;

    virtual void shutdown() = 0;
    virtual bool isShutDown() const = 0;
};

// The bridge of the running program (a Qt bridge by default).
UiBridge& CurrentUiBridge();
void SetUiBridge(std::shared_ptr<UiBridge> bridge);

// Delivers calls through the Qt event loop of the thread that created it.
std::shared_ptr<UiBridge> MakeQtUiBridge();

// A bridge for tests: the thread that created it plays the UI thread and
// runs queued calls when it pumps.
class ManualUiBridge : public UiBridge {
public:
    ManualUiBridge();
    ~ManualUiBridge() override;

    bool isUiThread() const override;
    bool runSync(std::function<void()> fn) override;
    bool post(std::function<void()> fn) override;
    void shutdown() override;
    bool isShutDown() const override;

    // Runs everything queued so far (UI thread only). Returns how many ran.
    int pump();
    // Runs the oldest queued call, if any (UI thread only): calls queued
    // while it runs wait for the next pump.
    bool pumpOne();
    // Pumps until pred() holds or timeoutMs passes. Returns pred().
    bool pumpUntil(const std::function<bool()>& pred, int timeoutMs = 5000);

private:
    struct Task;
    std::thread::id uiThread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Task>> queue_;
    bool shutDown_ = false;
};

void LogError(const char* context, const char* what);

} // namespace platform
