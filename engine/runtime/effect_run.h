#pragma once

#include "engine/runtime/effect_options.h"
#include "engine/runtime/engine_fields.h"
#include "gfx/image.h"
#include "platform/run_context.h"

#include <QRect>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace pq {

// Geometry of the preview pane captured on the UI thread for one preview run.
struct PreviewPane {
    bool valid = false;
    double zoom = 1.0;      // previewZoom
    int displayWidth = 0;   // Round(previewPane width)
    int displayHeight = 0;  // Round(previewPane height)
    QRect window;           // the part of the source the run works on
    QSize fullWindow;       // the window's size before the source's edges cut it
};

// The state of one run: a preview or full run of ProcessEffect, a script, a
// brush stroke, a ProcessEffectOnSurface call. The thread pool carries it
// into parallel bodies, so the calls of effect_api.h answer for the run that
// started the loop. Inherited: `preview`, `generation` (the preview
// generation), `rng` (the run's random generator).
class EffectRunContext : public platform::RunContext {
public:
    // A run starting now, with a fresh cancel state: for a preview, current
    // until previewGeneration moves past `generation`; otherwise cancelled by
    // any Cancel.request() from now on. Its generator is seeded from the
    // process-wide seed sequence.
    static std::shared_ptr<EffectRunContext> begin(bool preview, int generation);
    // The same with the current previewGeneration.
    static std::shared_ptr<EffectRunContext> begin(bool preview);

    // True once the run should stop: stop() was called, or for a preview a
    // newer preview was requested, or otherwise Cancel was requested after
    // the run began.
    bool isCancelled() const;
    // A preview that a newer preview has replaced.
    bool isSuperseded() const;
    // Cancels this run alone.
    void stop() { stopped_.store(true, std::memory_order_release); }

    std::shared_ptr<EngineFields> fields;
    uint64_t cancelEpoch = 0;
    uint64_t runId = 0;

    // The brush sheet and count chosen by the brush-sheet step for this run
    // (effects 302, 303, 304); read these, not the repository.
    gfx::Image brushSheet;
    int brushCount = 40;

    // Drawn instead of resultImage by the canvas step with "Erase background"
    // off (the manual brush's region of the current result).
    gfx::Image backgroundImage;

    // The window's options as they were when the run (or the
    // ProcessEffectOnSurface call) started; empty when none were taken.
    std::optional<EffectOptions> options;

    // Preview runs of ProcessEffect: the pane the run draws into.
    PreviewPane pane;

private:
    std::atomic<bool> stopped_{false};
};

// The calling thread's run, or nullptr outside any run.
EffectRunContext* CurrentRun();

// The next seed of the process-wide sequence that seeds every run's generator.
uint32_t NextRunSeed();

} // namespace pq
