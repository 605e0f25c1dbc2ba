#pragma once

// Hands a pass's strokes to drawing threads while they are still being
// generated, in an order that gives the pixels of drawing them one after
// another: a stroke is ready once every earlier stroke that reaches one of
// its blocks has been drawn. Strokes that share no block never touch the
// same pixel. The drawing threads stay from pass to pass until the queue
// is closed.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace pq {

class StrokeQueue {
public:
    // Before the drawing threads start: take() waits for strokes.
    void open();
    // A new pass over `columns` x `rows` blocks, for up to `capacity`
    // strokes; the last pass's strokes have all been drawn.
    void begin(int columns, int rows, size_t capacity);

    // The generating thread: stroke k, numbered upwards from 0, reaches the
    // blocks [bx0, bx1) x [by0, by1). Sleeping drawing threads are woken
    // once a few strokes are ready.
    void add(int k, int bx0, int by0, int bx1, int by1);
    // No more strokes this pass: a sleeping drawing thread is woken for
    // the ready ones.
    void finish();
    // The generating thread, after finish(): draws ready strokes itself
    // with `draw` until every stroke of the pass has been drawn; false when
    // the queue was aborted.
    bool drain(const std::function<void(int)>& draw);
    // No more passes: take() returns -1 once nothing is ready.
    void close();
    // Ends at once: take() returns -1 from now on.
    void abort();

    // A drawing thread: the next ready stroke, waiting for one if need be;
    // -1 once the queue is closed or aborted.
    int take();
    // Stroke k, returned by take(), has been drawn.
    void done(int k);

private:
    void push(int k);
    bool passDrawn() const { return finished_ && drawnCount_ == added_; }

    // Ready strokes that wake a sleeping drawing thread before finish().
    static constexpr size_t kWakeForReady = 4;

    // Generating thread only.
    std::vector<int> blockLast_; // the last stroke added over each block
    std::vector<int> earlier_;   // scratch: the strokes a new one follows
    int columns_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;   // drawing threads wait for strokes
    std::condition_variable passed_; // the generating thread waits in drain()
    // Waiting threads sleep on these; a new stroke wakes one sleeper.
    int sleepers_ = 0;
    bool draining_ = false;
    std::vector<std::vector<int>> followers_; // strokes waiting on each stroke
    std::vector<int> waitingOn_;              // how many strokes each still waits on
    std::vector<uint8_t> drawn_;
    std::vector<int> ready_; // in the order they became ready; taken from readyHead_
    size_t readyHead_ = 0;
    int added_ = 0, drawnCount_ = 0;
    bool finished_ = false, closed_ = false, aborted_ = false;
};

} // namespace pq
