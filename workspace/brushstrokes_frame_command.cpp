#include "workspace/brushstrokes_frame_command.h"

#include "effects/painting/brushstrokes_frame.h"
#include "engine/history/image_history.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_lock.h"
#include "engine/runtime/effect_run.h"
#include "engine/runtime/engine_host.h"
#include "engine/runtime/progress.h"
#include "engine/runtime/ui_sync.h"
#include "platform/tick.h"
#include "platform/ui_bridge.h"

#include <QString>

#include <atomic>
#include <thread>

namespace pq {
namespace {

std::atomic<int> gWorkers{0};

// The frame worker's own progress: at most one report per 100 ms, queued.
class ThrottledProgress {
public:
    void operator()(int value)
    {
        const uint32_t now = platform::TickMs();
        if (now - last_ <= 100)
            return;
        last_ = now;
        UpdateProgressBar(value);
    }

private:
    uint32_t last_ = platform::TickMs() - 101;
};

// UI thread: hides the progress bar and frees the busy state when `runId`
// still holds it; performs a close refused meanwhile.
void EndFrameRun(uint64_t runId)
{
    EngineHost* host = InstalledEngineHost();
    if (!host)
        return;
    host->updateProgressBar(101);
    ReleaseBusy(*host, kBrushstrokesFrameNumber, runId);
    if (host->runningEffect() == -1 && host->closeRequested()) {
        host->setCloseRequested(false);
        host->closeWindow();
    }
}

} // namespace

struct BrushstrokesFrameCommand::State {
    Hooks hooks;

    // The hand-back: UI thread, while the command still exists.
    void commit(const gfx::Image& display, const gfx::Image& source)
    {
        EngineHost* host = InstalledEngineHost();
        if (!host || display.isNull() || source.isNull())
            return;
        host->setResultImage(display);
        hooks.setSourceImage(source);
        if (hooks.fitView)
            hooks.fitView();
        host->redrawCanvas();
        if (ImageHistory* history = host->history())
            history->save(host->resultImage(), host->sourceImage());
    }
};

BrushstrokesFrameCommand::BrushstrokesFrameCommand(Hooks hooks) : state_(std::make_shared<State>())
{
    state_->hooks = std::move(hooks);
}

BrushstrokesFrameCommand::~BrushstrokesFrameCommand() = default;

BrushstrokesFrameCommand::Outcome BrushstrokesFrameCommand::run(QRgb color, int width, int brushSize)
{
    EngineHost* host = InstalledEngineHost();
    if (!host || !state_->hooks.setSourceImage)
        return Outcome::NoImage;
    gfx::Image result = host->resultImage();
    gfx::Image source = host->sourceImage();
    gfx::Image atlas = Repository().sharedImage(&ImageRepository::templateMatchingBrushes);
    if (result.isNull() || source.isNull() || atlas.isNull())
        return Outcome::NoImage;

    const int bw = std::max(width, 0);
    const int64_t outW = int64_t(result.width()) + 2 * int64_t(bw);
    const int64_t outH = int64_t(result.height()) + 2 * int64_t(bw);
    if (outW > gfx::kMaxSide || outH > gfx::kMaxSide || !gfx::IsSaneSize(int(outW), int(outH))) {
        host->showMessage(QStringLiteral("The framed picture would be too large (%1 x %2 pixels).")
                              .arg(outW)
                              .arg(outH));
        return Outcome::TooLarge;
    }

    // The run's generator and busy ownership; it answers to no Cancel.
    std::shared_ptr<EffectRunContext> ctx = EffectRunContext::begin(false, 0);
    int running = -1;
    if (!TryTakeBusy(*host, kBrushstrokesFrameNumber, ctx->runId, &running)) {
        host->showMessage(QStringLiteral("Please wait for \"") + host->effectName(running) +
                          QStringLiteral("\" to finish processing."));
        return Outcome::Busy;
    }
    host->updateProgressBar(0);

    const uint64_t runId = ctx->runId;
    std::weak_ptr<State> weak = state_;
    gWorkers.fetch_add(1);
    try {
        std::thread([weak, ctx, result, source, atlas, color, bw, brushSize]() mutable {
            gfx::Image display, framedSource;
            try {
                const platform::ScopedRunContext scope(ctx.get());
                ThrottledProgress progress;
                const BrushstrokesFrameLayers layers =
                    PaintBrushstrokesFrame(result, atlas, color, bw, brushSize, std::ref(progress));
                display = ComposeFramed(result, layers.border, layers);
                framedSource = ComposeFramed(source, layers.plainBorder, layers);
                progress(95);
                // A half-made picture is never committed.
                if (ctx->outOfMemory.load())
                    display = framedSource = {};
            } catch (...) {
                display = framedSource = {};
            }
            try {
                SyncWithUi([&] {
                    if (const auto state = weak.lock())
                        state->commit(display, framedSource);
                    EndFrameRun(ctx->runId);
                });
            } catch (...) {
                // The UI is gone: nothing to hand back to.
            }
            // Nothing of the thread may outlive the count.
            display = framedSource = result = source = atlas = {};
            ctx.reset();
            weak.reset();
            gWorkers.fetch_sub(1);
        }).detach();
    } catch (...) {
        gWorkers.fetch_sub(1);
        EndFrameRun(runId);
        platform::LogError("Brushstrokes frame", "cannot start a worker thread");
        return Outcome::NotStarted;
    }
    return Outcome::Started;
}

int BrushstrokesFrameCommand::workerCount()
{
    return gWorkers.load();
}

} // namespace pq
