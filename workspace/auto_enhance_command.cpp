#include "workspace/auto_enhance_command.h"

#include "engine/services/auto_enhance.h"
#include "engine/runtime/engine_host.h"
#include "engine/history/image_history.h"
#include "engine/runtime/ui_sync.h"
#include "platform/ui_bridge.h"

#include <QString>

#include <atomic>
#include <thread>

namespace pq {
namespace {

std::atomic<int> gWorkers{0};

} // namespace

struct AutoEnhanceCommand::State {
    std::function<void(bool)> showBusy;
    int pending = 0;

    // The hand-back: UI thread, while the command still exists.
    void finish(const gfx::Image& source, const gfx::Image& result, bool failed)
    {
        EngineHost* host = InstalledEngineHost();
        if (host && failed) {
            host->showMessage(QStringLiteral("Auto-enhance failed"));
        } else if (host && !result.isNull() && host->sourceImage().sameAs(source) && !host->resultImage().isNull()) {
            host->setResultImage(result);
            host->redrawCanvas();
            if (ImageHistory* history = host->history())
                history->save(host->resultImage(), host->sourceImage());
        }
        if (--pending == 0 && showBusy)
            showBusy(false);
    }
};

AutoEnhanceCommand::AutoEnhanceCommand(std::function<void(bool busy)> showBusy) : state_(std::make_shared<State>())
{
    state_->showBusy = std::move(showBusy);
}

AutoEnhanceCommand::~AutoEnhanceCommand() = default;

AutoEnhanceCommand::Outcome AutoEnhanceCommand::run()
{
    EngineHost* host = InstalledEngineHost();
    if (!host)
        return Outcome::NoImage;
    if (host->sourceImage().isNull() || host->resultImage().isNull()) {
        host->showMessage(QStringLiteral("no image loaded"));
        return Outcome::NoImage;
    }
    if (host->runningEffect() != -1) {
        host->showMessage(QStringLiteral("effect running"));
        return Outcome::EffectRunning;
    }

    gfx::Image source = host->sourceImage();
    if (state_->pending++ == 0 && state_->showBusy)
        state_->showBusy(true);
    std::weak_ptr<State> weak = state_;
    gWorkers.fetch_add(1);
    try {
        std::thread([weak, source]() mutable {
            gfx::Image result;
            bool failed = false;
            try {
                result = AutoEnhanceImage(source);
            } catch (...) {
                failed = true;
            }
            try {
                SyncWithUi([&] {
                    if (const auto state = weak.lock())
                        state->finish(source, result, failed);
                });
            } catch (...) {
                // The UI is gone: nothing to hand back to.
            }
            // Nothing of the thread may outlive the count.
            result = {};
            source = {};
            weak.reset();
            gWorkers.fetch_sub(1);
        }).detach();
    } catch (...) {
        gWorkers.fetch_sub(1);
        state_->finish(source, {}, false);
        platform::LogError("Auto-enhance", "cannot start a worker thread");
        return Outcome::NotStarted;
    }
    return Outcome::Started;
}

int AutoEnhanceCommand::pending() const
{
    return state_->pending;
}

int AutoEnhanceCommand::workerCount()
{
    return gWorkers.load();
}

} // namespace pq
