#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 304 "Impasto brushstrokes": 9 to 19 passes from large to small
// stamps of the run's brush sheet, decided on a working copy of the photo
// and of the canvas (half size for large pictures) and drawn at full size
// too. Early passes stamp a jittered grid, skipping places that already
// match; later passes stamp at random, favouring large errors and strong
// edges. Each place tries several cells at several angles about the edge
// direction and keeps the best balance of gain and remaining error; stamps
// above 15 pixels get an impasto relief. Every pass paints horizontal bands
// in parallel; the picture depends only on the input, the values and the
// run's seed. P1 min brush size, P2 max brush size, P3 iterations, P4
// quality, P5 opacity. Honours "Erase background".
void ImpastoBrushstrokes(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                         bool preview);

// What the values and the picture's size make of a run.
struct ImpastoSettings {
    int minSize = 0;
    int maxSize = 0;
    float opacity = 1.0f;
    int iterations = 0; // P3, clamped to 0..100
    int quality = 0;    // P4, clamped to 0..100
    int refineBase = 0;
    int scaleFactor = 1; // 2: decisions are made at half size
    int workWidth = 0;
    int workHeight = 0;
    int passes = 0; // the run makes passes + 1 passes
    int skipLimit = 0;
    int scratchSize = 0; // side of every stamp surface
};
ImpastoSettings ImpastoSettingsFor(int width, int height, int p1, int p2, int p3, int p4, int p5);

} // namespace pq
