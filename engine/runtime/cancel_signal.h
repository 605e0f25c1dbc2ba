#pragma once

#include <atomic>
#include <cstdint>

namespace pq {

// The main window's stop request `Cancel` for full runs, scripts and brush
// strokes. request() cancels every such run that started before the call;
// a run started afterwards begins with a fresh cancel state, so a request
// left over from an Esc while nothing ran never stops the next Apply, and
// nothing can clear a request that a running job has not yet seen.
//
// Preview runs do not answer to it: they stop when previewGeneration moves
// on. Code that only wants to supersede previews increments
// previewGeneration and leaves Cancel alone.
class CancelSignal {
public:
    // Cancel := True. Any thread.
    void request() { epoch_.fetch_add(1, std::memory_order_acq_rel); }

    // Advances with every request; a run records it when it starts.
    uint64_t epoch() const { return epoch_.load(std::memory_order_acquire); }

private:
    std::atomic<uint64_t> epoch_{0};
};

} // namespace pq
