#pragma once

// Everything an effect routine uses of the engine.
//
// The contract every routine follows:
// 1. It reads its picture only from Source and paints its whole result into
//    Dest (or into a work surface it draws into Dest at the end). Dest
//    arrives fully transparent, of the source's size (for a preview, of the
//    preview window's size). Every pixel written is valid premultiplied
//    data: no colour byte above its alpha.
// 2. Full run (Preview false): progress through SafeUpdateProgress with
//    rising values in 0..100 and a final SafeUpdateProgress(101) (set
//    gLastProgressTick to 0 first so that it passes). Intermediate results
//    may be shown with ShowIntermediateImage, queued or synchronously; the
//    runtime replaces them with the final result.
// 3. Preview (Preview true): progress and pictures through
//    SafeUpdatePreview(Dest or the work surface, value), and a final
//    SafeUpdatePreview(surface, 101) after gLastProgressTick = 0. Previews
//    never call SafeUpdateProgress, ShowIntermediateImage or
//    UpdateProgressBar and never touch the document.
// 4. Cancellation points: CheckCancellation at the start and between stages
//    or every few rows; IsEffectCancelled where the routine wants to leave
//    on its own. Every SafeUpdateProgress and SafeUpdatePreview is one too.
//    Never read the main window's Cancel directly: IsEffectCancelled answers
//    for the current run (parallel bodies included).
// 5. EAbort is the only cancellation signal: let it pass, show no message;
//    the runtime tidies the document.
// 6. Main-window state is read only inside SyncWithUi (never from a
//    parallel body). The effects that honour "Erase background" call
//    PrepareCanvas on their canvas before they paint; the mosaics take the
//    contour switch and colour from RunEffectOptions() when they start.
// 7. Random numbers come from RunRandom() (the run's generator; tools can
//    seed it), drawn on the run's own thread. Parallel bodies derive seeds
//    from (a value drawn before the loop, row or band) so that the picture
//    does not depend on the thread count.
// 8. Shared pixel helpers (SharpenSurface, ...) come with this header;
//    ClampByte and the rounding helpers with platform/numeric.h.
// 9. Brush sheets: the run's brushSheet and brushCount (currentRun()), set
//    by the runtime before effects 302, 303, 304 and 307.

#include "engine/runtime/canvas_step.h"
#include "engine/runtime/effect_abort.h"
#include "engine/runtime/effect_options.h"
#include "engine/runtime/effect_proc.h"
#include "engine/runtime/effect_run.h"
#include "engine/services/pixel_helpers.h"
#include "engine/runtime/progress.h"
#include "engine/runtime/ui_sync.h"
#include "platform/random.h"

namespace pq {

// The current run's random generator; outside any run, a generator of the
// calling thread. Not inside parallel bodies.
platform::Random& RunRandom();

} // namespace pq
