#pragma once

#include "engine/runtime/cancel_signal.h"

#include <atomic>
#include <cstdint>

namespace pq {

// The main-window fields that worker threads read or write directly. One
// instance belongs to the host (EngineHost::Shared); every run holds a
// shared reference, so a worker that outlives the window still reads valid
// memory. Everything else of the window is reached on the UI thread only.
struct EngineFields {
    // Stop request for full runs, scripts and brush strokes (see CancelSignal).
    CancelSignal cancel;

    // Incremented on the UI thread for every preview run and preview request;
    // a preview whose generation differs is superseded.
    std::atomic<int> previewGeneration{0};

    // Top-left corner, in source pixels, of the window the preview pane shows.
    // Written on the UI thread (also by the engine's preview step); read by
    // preview workers after that step.
    std::atomic<int> previewX{0};
    std::atomic<int> previewY{0};

    // The last value a preview reported, with the preview generation it
    // belongs to; both change together (one word). The pane draws its
    // progress ring only for the current preview.
    void storePreviewProgress(int generation, int value)
    {
        previewProgress.store((uint64_t(uint32_t(generation)) << 32) | uint32_t(value), std::memory_order_relaxed);
    }
    // The last value the current preview (previewGeneration) reported; 0
    // when the last report came from a preview that has been superseded.
    int currentPreviewProgress() const
    {
        const uint64_t word = previewProgress.load(std::memory_order_relaxed);
        if (int(uint32_t(word >> 32)) != previewGeneration.load())
            return 0;
        return int(uint32_t(word));
    }
    std::atomic<uint64_t> previewProgress{0};

    // Brush count of effect 304, set by the brush-sheet step.
    std::atomic<int> brushCount{40};
};

} // namespace pq
