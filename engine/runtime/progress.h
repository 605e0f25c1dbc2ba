#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

#include <atomic>
#include <cstdint>

namespace pq {

// Millisecond tick (platform::tickMs) of the last report that passed the
// throttle; shared by every run. Effects set it to 0 right before their
// final report so that the report passes.
extern std::atomic<uint32_t> gLastProgressTick;

// True when the current run should stop: a full run, script or stroke whose
// Cancel was requested after it began, or a preview that a newer preview has
// replaced. Threads outside any run are never cancelled. Any thread,
// parallel bodies included (they answer for the run that started the loop).
bool IsEffectCancelled();

// Raises EAbort when IsEffectCancelled(); off preview runs it first queues
// UpdateProgressBar(101) so the bar disappears.
void CheckCancellation();

// Progress of a full run, 0..100; 101 (any value outside 0..100) ends the
// bar. A cancellation point. Values 1..100 within 50 ms of the last passing
// report are dropped; 0, negative values and values above 100 always pass.
// Preview runs never reach the main bar.
void SafeUpdateProgress(int value);

// Progress and picture of a preview. A superseded preview returns at once,
// silently (its next CheckCancellation ends it); a cancelled run raises
// EAbort. Stores Value with the run's preview generation
// (StorePreviewProgress); when more than 120 ms (50 ms off
// preview runs) have passed since the last passing report, or Value is
// outside 1..100, takes a snapshot of Surface (may be null) and queues it to
// the preview pane, where it is drawn only if its preview is still current.
void SafeUpdatePreview(const gfx::Surface* surface, int value);
inline void SafeUpdatePreview(const gfx::Surface& surface, int value)
{
    SafeUpdatePreview(&surface, value);
}

// A report of `value` per cent: SafeUpdatePreview of `surface` for a
// preview, SafeUpdateProgress otherwise.
void ReportProgress(const gfx::Surface& surface, bool preview, int value);

// An effect's closing report: a preview draws `surface` (the throttle reset
// so that it passes), a full run ends the bar with 101.
void ReportFinished(const gfx::Surface& surface, bool preview);

// How an intermediate picture reaches the UI thread: queued (the worker
// goes on at once) or synchronously (the worker waits until it is shown,
// and gets EAbort when the UI is gone). On the UI thread both run at once.
enum class Delivery { Queued, Synchronous };

// Shows a full run's intermediate result as resultImage (not while the
// manual brush is open) and forwards Progress >= 0 to the bar; -1 shows the
// picture only. A picture of a run cancelled before the UI thread gets to
// it is dropped, so the image the runtime keeps on display stays. Not for
// previews.
void ShowIntermediateImage(const gfx::Image& image, int progress, Delivery delivery);

// The main window's UpdateProgressBar: queued from workers (the caller does
// not wait), at once on the UI thread; nothing happens without a host.
void UpdateProgressBar(int value);

} // namespace pq
