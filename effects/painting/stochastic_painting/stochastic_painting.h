#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 307 "Stochastic painting": throws brush strokes at random places,
// large first and small last. Each stroke is a mark of the template-matching
// atlas turned along the local edge, in the colour of the photo under its
// centre; it is painted only when a simulation says it brings the canvas
// closer to the photo (a few other marks and angles are tried first).
// P1 min brush size, P2 max brush size, P3 iterations (clamped to 0..100),
// P4 precision, P5 opacity. Honours "Erase background"; a preview starts on
// opaque white.
void StochasticPainting(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview);

// What the sliders give.
struct StochasticSettings {
    int minSize = 0;
    int maxSize = 0;
    int density = 0;   // Dn, 1..100
    int opacity = 0;   // Op, 20..255
    int64_t total = 0; // strokes
    int sampleStep = 1;
    int attempts = 1;
};
StochasticSettings StochasticSettingsFor(int width, int height, int p1, int p2, int p3, int p4, int p5);

} // namespace pq
