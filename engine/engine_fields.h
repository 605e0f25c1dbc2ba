#pragma once

#include "engine/cancel_signal.h"

#include <atomic>

namespace pq {

// The main-window fields that worker threads read or write directly. One
// instance belongs to the host (EngineHost::Shared); every run holds a
// shared reference, so a worker that outlives the window still reads valid
// memory. Everything else of the window is reached on the UI thread only.
struct EngineFields {
    // Stop request for full runs, scripts and brush strokes (see CancelSignal).
    CancelSignal Cancel;

    // Incremented on the UI thread for every preview run and preview request;
    // a preview whose generation differs is superseded.
    std::atomic<int> FPreviewGeneration{0};

    // Top-left corner, in source pixels, of the window the preview pane shows.
    // Written on the UI thread (also by the engine's preview step); read by
    // preview workers after that step.
    std::atomic<int> PreviewStartX{0};
    std::atomic<int> PreviewStartY{0};

    // Last value a preview reported; the pane draws its progress ring from it.
    std::atomic<int> ProgressPercent{0};

    // Brush count of effect 304, set by the brush-sheet step.
    std::atomic<int> GlobalBrushCount{40};
};

} // namespace pq
