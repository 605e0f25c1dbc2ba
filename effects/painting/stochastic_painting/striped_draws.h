#pragma once

// Lays a run's strokes on helper threads while the run's thread goes on
// deciding the next ones. Strokes are numbered in the order they are
// pushed. The canvas is cut into tiles (stripes of kStripe rows, cut every
// tile width of columns); each tile keeps the strokes that reach it, in push
// order, and is laid by one thread at a time (the one that claimed it), so
// every pixel takes its strokes one after another as a single thread would
// lay them. Any thread may claim a tile: helpers take whichever has strokes
// waiting, and the run's thread, when a stroke it is about to try needs
// pixels not yet laid, lays their tiles itself unless another thread holds
// them, so it never waits for a helper that is not running. Per block of the canvas the last stroke pushed over
// it says what a box needs. Idle helpers sleep, woken for every kWakeEvery
// strokes pushed.

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
    static constexpr int kStripe = 32;      // rows of a tile
    static constexpr int kTileWidth = 1024; // columns of a tile
    static constexpr int kRing = 1024;  // strokes pushed and not yet laid everywhere
    static constexpr int kWakeEvery = 32;

    // draw(number, clip) lays stroke `number` over the canvas pixels of
    // clip (within its area and one tile); it is called by the run's thread
    // and by the helpers.
    using Draw = std::function<void(int64_t, const QRect&)>;

    // Over a width x height canvas, in tiles tileWidth columns wide.
    StripedDraws(int width, int height, Draw draw, int tileWidth = kTileWidth);

    // The run's thread. The number the next pushed stroke takes, once its
    // ring slot (number % kRing) is free: the caller fills its slot, then
    // pushes it with the canvas pixels it may change. -1 once a helper failed.
    int64_t reserve();
    void push(const QRect& area);
    // Has every pushed stroke that may change a pixel of `box` laid;
    // false once a helper failed.
    bool await(const QRect& box);
    // Has every pushed stroke laid; false once a helper failed.
    bool awaitAll();
    // Sends the helpers home once they have laid what they hold; helpers
    // that come later return at once.
    void stop();

    // A helper: lays waiting strokes until stop(). A failing draw marks the
    // run failed and is rethrown.
    void serve();

private:
    struct alignas(64) Tile {
        std::atomic<int64_t> pushed{0}; // strokes queued here
        std::atomic<int64_t> laid{0};   // of them laid, in order
        std::atomic<bool> held{false};  // a thread is laying them
    };

    QRect tileRect(int t) const;
    // The tiles area crosses: rows of tiles top..bottom, columns left..right.
    void tilesOf(const QRect& area, int& top, int& bottom, int& left, int& right) const;
    bool claim(int t);
    void release(int t);
    // Lays the claimed tile's strokes, at most `most` of them and none
    // numbered `before` or later.
    void layClaimed(int t, int64_t most, int64_t before);
    // Claims a tile with strokes waiting, looking from tile `from` on, and
    // lays at most `most` of them; whether it found one. `from` moves past it.
    bool layAny(int& from, int64_t most);
    // The run's thread: whether tile t has laid its strokes numbered below
    // `before`; has them laid (false once a helper failed).
    bool laidBelow(int t, int64_t before) const;
    bool waitTile(int t, int64_t before);
    void markWaiting(int t);
    void fail();

    const int width_, height_;
    const Draw draw_;
    const int tileWidth_, tileColumns_, tiles_;
    std::unique_ptr<Tile[]> tile_;
    std::vector<int64_t> queue_; // per tile, kRing stroke numbers by entry % kRing
    // Bits of the tiles that may have strokes waiting.
    std::unique_ptr<std::atomic<uint64_t>[]> waiting_;
    const int words_;

    static constexpr int kBlock = 16; // pixels square
    std::vector<QRect> areas_;        // per ring slot
    const int columns_;               // of blocks
    std::vector<int64_t> lastOver_;   // the run's thread: per block, 1 + the last stroke pushed over it
    std::vector<int64_t> queued_;     // the run's thread: per tile, strokes queued
    std::atomic<bool> stopped_{false};
    std::atomic<bool> failed_{false};
    platform::WorkBell bell_;  // idle helpers wait for strokes
    platform::WaitSignal laid_; // the run's thread waits for a tile another thread holds
    int64_t next_ = 0;        // the run's thread: the number reserve() gave
    int64_t rung_ = 0;        // the run's thread: pushes the helpers were woken for
    int aside_ = 0;           // the run's thread: where it looks for strokes to lay meanwhile
    std::atomic<int> visitors_{0}; // helpers come so far, to spread where they look first
};

} // namespace pq
