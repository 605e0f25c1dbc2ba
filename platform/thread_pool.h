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

// Runs lead() on the calling thread while pool threads, as they come free,
// run help(0), help(1), ... help(helpers - 1), at most one each; helpers
// beyond the pool's size are never run, and none is run when the pool has
// no workers or when called from inside a body. A help(h) may start after
// lead() has returned, so lead() must leave, however it ends, a state that
// sends its helpers home (and late ones at once): this returns only once
// every help(h) that started has returned. The first exception of lead(),
// else of a helper, is rethrown. The caller's run context is current in
// every helper. Nothing is assumed of the number of pool threads: lead()
// never waits for a helper to start.
void RunWithHelpers(int helpers, const std::function<void(int)>& help, const std::function<void()>& lead);

// Tests: `hook` runs on a pool worker before each block or helper it takes
// (never on the calling thread) and may throw, as a failing body would; an
// empty hook removes it.
void SetPoolWorkerHookForTests(std::function<void()> hook);

// Stops the worker threads (program end); later loops run on the caller.
void ShutdownThreadPool();

} // namespace platform
