#pragma once

// Lays a run's strokes on helper threads while the run's thread goes on
// deciding the next ones. Strokes are numbered in the order they are
// pushed; every helper lays all of them in that order, each only over its
// own canvas rows (stripes of kStripe rows dealt out in turn), so that every
// pixel takes its strokes one after another as a single thread would lay
// them. A ring of strokes, a counter of laid ones per helper, and per block
// of the canvas the last stroke pushed over it; a thread that waits sleeps
// until the one it waits for wakes it. Helpers are woken for every
// kWakeEvery strokes pushed and whenever the run's thread is about to wait.

#include "platform/wait_signal.h"

#include <QRect>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace pq {

class StripedDraws {
public:
    static constexpr int kStripe = 8;
    static constexpr int kRing = 1024; // strokes pushed and not yet laid by all helpers
    static constexpr int kWakeEvery = 32;

    // Up to `most` helpers, over a width x height canvas.
    StripedDraws(int most, int width, int height);

    // A pool thread: joins as helper h >= 0, once the run's thread has
    // started the helpers; -1 when it came too late (it should return).
    int join();
    // The run's thread: waits a short while for the helpers to join, then
    // starts those that did; how many there are (none: lay strokes yourself).
    // However many of the `most` ever come, none is waited for past that.
    int start();

    // The run's thread. The number the next pushed stroke takes, once its
    // ring slot (number % kRing) is free: the caller fills its slot, then
    // pushes it with the canvas pixels it may change. -1 once a helper failed.
    int64_t reserve();
    void push(const QRect& area);
    // Waits until every pushed stroke that may change a pixel of `box` (on
    // the canvas) has been laid; false once a helper failed.
    bool await(const QRect& box);
    // Waits until every pushed stroke has been laid; false once a helper failed.
    bool awaitAll();
    // Lets the helpers go once they have laid what was pushed; helpers that
    // join later, or before a start() that never came, are sent home.
    void stop();

    // Helper h, from join(): lays the strokes as they come,
    // draw(number, top, bottom) over its rows top..bottom of each, until
    // stop(). A failing draw marks the helpers failed and is rethrown.
    void serve(int h, const std::function<void(int64_t, int, int)>& draw);

private:
    struct alignas(64) Progress {
        std::atomic<int64_t> laid{0}; // strokes 0..laid-1 are laid over this helper's rows
    };

    int64_t laidByAll() const;
    bool waitLaid(int64_t count);
    void ring();
    void close(int helpers);

    const int most_;
    int helpers_ = 0;
    std::unique_ptr<Progress[]> progress_;
    static constexpr int kBlock = 16; // pixels square

    std::vector<QRect> areas_; // per ring slot
    const int columns_;        // of blocks
    std::vector<int64_t> lastOver_; // the run's thread: per block, 1 + the last stroke pushed over it
    alignas(64) std::atomic<int64_t> pushed_{0};
    std::atomic<int64_t> awaited_{0}; // the count the run's thread waits to see laid
    std::atomic<bool> stopped_{false};
    std::atomic<bool> failed_{false};
    std::atomic<int> joined_{0};
    std::atomic<bool> started_{false};
    platform::WaitSignal pushes_; // helpers wait for strokes, the stop
    platform::WaitSignal laid_;   // the run's thread waits for laid strokes
    platform::WaitSignal joins_;  // the run's thread waits for helpers; they wait for the start
    int64_t next_ = 0;            // the run's thread: the number reserve() gave
    int64_t rung_ = 0;            // the run's thread: pushes the helpers were woken for
};

} // namespace pq
