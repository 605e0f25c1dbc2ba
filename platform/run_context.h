#pragma once

#include "platform/random.h"

#include <atomic>
#include <cstdint>

namespace platform {

// State that belongs to one run (an effect run, a script, a brush stroke).
// The engine derives from it; the thread pool carries the current thread's
// context into every parallel body so that cancellation checks and the
// preview flag answer for the run that started the loop.
class RunContext {
public:
    virtual ~RunContext();

    bool preview = false;
    int generation = 0;

    // Not thread-safe: draw only from the run's own thread, never inside a
    // parallel body (derive per-row seeds from it instead).
    Random rng;
    // True when the caller chose rng's seed (tools, tests); effects that
    // seed the generator from the clock then leave it as it is.
    bool seedGiven = false;

    void seed(uint32_t value)
    {
        rng.setSeed(value);
        seedGiven = true;
    }

    // Set when memory for a picture or a buffer could not be had while the
    // run was going, although the code that asked may have carried on.
    std::atomic<bool> outOfMemory{false};
};

// The context of the calling thread; nullptr when none is set.
RunContext* CurrentRunContext();

// Records on the calling thread's run, if any, that an allocation failed.
// The graphics layer calls it wherever it hands out a null result for want
// of memory, so that a run never passes a half-made picture off as done.
void NoteOutOfMemory();

// Sets the calling thread's context for the lifetime of the guard.
class ScopedRunContext {
public:
    explicit ScopedRunContext(RunContext* ctx);
    ~ScopedRunContext();
    ScopedRunContext(const ScopedRunContext&) = delete;
    ScopedRunContext& operator=(const ScopedRunContext&) = delete;

private:
    RunContext* previous_;
};

} // namespace platform
