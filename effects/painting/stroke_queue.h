#pragma once

// Hands a pass's strokes to drawing threads while they are still being
// generated, in an order that gives the pixels of drawing them one after
// another: a stroke is ready once every earlier stroke that reaches one of
// its blocks has been drawn. Strokes that share no block never touch the
// same pixel.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace pq {

class StrokeQueue {
public:
    // A new pass over `columns` x `rows` blocks, for up to `capacity` strokes.
    void begin(int columns, int rows, size_t capacity);

    // The generating thread: stroke k, numbered upwards from 0, reaches the
    // blocks [bx0, bx1) x [by0, by1).
    void add(int k, int bx0, int by0, int bx1, int by1);
    // No more strokes this pass.
    void finish();
    // Ends the pass early: take() returns -1 from now on.
    void abort();

    // A drawing thread: the next ready stroke, waiting for one if need be;
    // -1 once every stroke added before finish() has been drawn, or after
    // abort().
    int take();
    // Stroke k, returned by take(), has been drawn.
    void done(int k);

private:
    bool passOver() const { return aborted_ || (finished_ && drawnCount_ == added_); }
    void push(int k);

    // Generating thread only.
    std::vector<int> blockLast_; // the last stroke added over each block
    std::vector<int> earlier_;   // scratch: the strokes a new one follows
    int columns_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::vector<int>> followers_; // strokes waiting on each stroke
    std::vector<int> waitingOn_;              // how many strokes each still waits on
    std::vector<uint8_t> drawn_;
    std::vector<int> ready_; // in the order they became ready; taken from readyHead_
    size_t readyHead_ = 0;
    int added_ = 0, drawnCount_ = 0;
    bool finished_ = false, aborted_ = false;
};

} // namespace pq
