#pragma once

#include <functional>

namespace platform {

// Sizes the shared pool: at least minWorkers and at most maxWorkers threads
// besides the caller. Takes effect for loops started afterwards.
void ConfigureThreadPool(int minWorkers, int maxWorkers);

// The engine's default: at least 1, at most max(2, processors - 2) workers.
void ConfigureDefaultThreadPool();

int ThreadPoolWorkerCount();

// Runs body(lo, hi) over [begin, end) in blocks of about `grain` indices,
// handed out dynamically to the pool's workers and the calling thread, in
// increasing order: once a block has started, every block before it has
// been taken by a thread that runs it (a body may wait for an earlier one).
// The caller's run context is current inside every body. The first
// exception raised by a body stops the blocks not yet started and is
// rethrown to the caller once every running block has returned.
// Loops started from inside a body run serially on that thread.
void ParallelForRange(int begin, int end, int grain, const std::function<void(int, int)>& body);

// Row form: body(i) for every i in [begin, end).
void ParallelFor(int begin, int end, const std::function<void(int)>& body);

// Stops the worker threads (program end); later loops run on the caller.
void ShutdownThreadPool();

} // namespace platform
