#pragma once

// Shared pieces of the engine tests: a fake main window on a manual UI
// bridge, and a gate that holds an effect routine until the test opens it.

#include "engine/runtime/effect_api.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/headless_host.h"
#include "engine/history/image_history.h"
#include "gfx/surface.h"
#include "platform/tick.h"
#include "platform/ui_bridge.h"

#include <gtest/gtest.h>

#include <QColor>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace pqtest {

// The main window as the engine sees it, with a real history.
class FakeHost : public pq::HeadlessHost {
public:
    FakeHost() { undoHistory = &history; }

    pq::ImageHistory history;
    std::function<void(const QString&)> onMessage;
    std::function<void(int)> onEffectNumber;
    QString busyName = QStringLiteral("Cartoon");

    void showMessage(const QString& text) override
    {
        HeadlessHost::showMessage(text);
        if (onMessage)
            onMessage(text);
    }
    void setRunningEffect(int number) override
    {
        HeadlessHost::setRunningEffect(number);
        if (onEffectNumber)
            onEffectNumber(number);
    }
    QString effectName(int) const override { return busyName; }
    void updateProgressBar(int value) override
    {
        HeadlessHost::updateProgressBar(value);
        progressSeen.push_back(value);
    }

    // Every value the progress bar was given, in order.
    std::vector<int> progressSeen;
};

// Holds a routine at enterAndWait() until open(); a cancelled run leaves by
// EAbort from the CheckCancellation inside the wait.
class Gate {
public:
    // checkCancel false: the wait ignores cancellation.
    void enterAndWait(bool checkCancel = true)
    {
        {
            std::lock_guard lock(mutex_);
            entered_ = true;
        }
        for (;;) {
            {
                std::lock_guard lock(mutex_);
                if (open_)
                    return;
            }
            if (checkCancel)
                pq::CheckCancellation();
            platform::SleepMs(1);
        }
    }
    void open()
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    bool entered()
    {
        std::lock_guard lock(mutex_);
        return entered_;
    }

private:
    std::mutex mutex_;
    bool entered_ = false;
    bool open_ = false;
};

gfx::Image SolidImage(int w, int h, const QColor& color);

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bridge = std::make_shared<platform::ManualUiBridge>();
        platform::SetUiBridge(bridge);
        host = std::make_unique<FakeHost>();
        pq::SetEngineHost(host.get());
    }

    void TearDown() override
    {
        pq::AbortProcessing();
        host->shared->cancel.request();
        host->shared->previewGeneration++;
        EXPECT_TRUE(waitIdle()) << "effect workers did not end";
        host->history.waitForEncoding();
        pq::SetEngineHost(nullptr);
        host.reset();
        platform::SetTickSource({});
        platform::SetUiBridge(nullptr);
        bridge.reset();
    }

    // Pumps UI calls until no ProcessEffect worker is left.
    bool waitIdle(int timeoutMs = 10000)
    {
        return bridge->pumpUntil([] { return pq::EffectWorkerCount() == 0; }, timeoutMs);
    }

    bool pumpUntil(const std::function<bool()>& pred) { return bridge->pumpUntil(pred, 10000); }

    void loadDocument(const gfx::Image& image)
    {
        host->result = image;
        host->source = image;
    }

    std::shared_ptr<platform::ManualUiBridge> bridge;
    std::unique_ptr<FakeHost> host;
};

} // namespace pqtest
