#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

#include <QString>

#include <functional>

namespace pq {

// Runs an effect by number on a worker thread of its own and returns at once
// (UI thread). Preview: works on the source window shown in the preview pane
// and draws the result there. Full run: works on the whole sourceImage;
// the result (textured when "Add texture" is on) becomes resultImage and a
// history entry, then the busy state ends. Refused with "No image loaded"
// without resultImage and with the busy message while another full run works.
// Previews are never refused; a newer preview supersedes an older one.
void ProcessEffect(int effectNumber, int p1, int p2, int p3, int p4, int p5, bool preview);

// How a full run ended: its result stored, failed (the message told), or
// cancelled (the image on display stored), or it never started.
struct EffectRunEnd {
    enum class Outcome { Done, Failed, Cancelled };
    Outcome outcome = Outcome::Done;
    // Why it failed or did not start.
    QString message;
};
using EffectRunEnded = std::function<void(const EffectRunEnd&)>;

// A full run as above that reports its end once, on the UI thread, after
// the busy state has ended; a run refused at the start reports before this
// returns. Not when the window is gone.
void ProcessEffect(int effectNumber, int p1, int p2, int p3, int p4, int p5, EffectRunEnded ended);

// Runs an effect synchronously on the calling thread (scripts, the manual
// brush, tools), reading Source and painting into Dest. Numbers without a
// routine return at once and leave Dest alone. Uses the calling thread's run
// when it has one (its cancel state, generator and background image), else
// a fresh run begun now. Runs the brush-sheet step first (a synchronous UI
// call). No texture overlay, no history, no busy state; every exception,
// EAbort among them, reaches the caller. A routine that ran short of memory
// anywhere (see platform::NoteOutOfMemory) raises std::bad_alloc, whatever
// it left in Dest.
void ProcessEffectOnSurface(const gfx::Image& source, gfx::Surface& dest, int effectNumber, int p1, int p2, int p3,
                            int p4, int p5, bool preview);

// Shut-down: sets the engine's stop flag, so runs that have not yet called
// their routine end without calling it (a full run saves the image on
// display), and stops every running preview at its next cancellation test.
// Full runs already working stop through Cancel.
void AbortProcessing();

// The window's shut-down: AbortProcessing, and from now on ProcessEffect
// starts nothing (timers firing while the window waits for its workers)
// until InitializeEngine or a new host is installed.
void BeginEngineShutdown();

// ProcessEffect worker threads still alive. The window waits for 0 (serving
// UI calls meanwhile) before it frees what they use.
int EffectWorkerCount();

// Engine start: sizes the shared thread pool (at least 1, at most
// max(2, processors - 2) workers). Engine end: stops the pool.
void InitializeEngine();
void FinalizeEngine();

// Seeds every run begun from now on with `seed` instead of the process-wide
// sequence (tests that drive the window and count pixels); a negative
// value goes back to the sequence.
void SetFixedRunSeed(int64_t seed);

} // namespace pq
