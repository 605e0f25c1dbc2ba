#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 306 "Smooth painting": repaints the picture with one brush mark of
// the template-matching atlas in seven orientations. Every pixel gets the
// orientation and mean colour under the mark that fit it best; strokes go on
// a grid at the local minima of that fit, worst first, the worst 5 %
// dropped. An iteration is four passes (blank canvas filled with region
// colours after the first) and a bright-speck removal; further iterations
// repaint the previous result. P1 max brush size, P2 iterations (0..39 one,
// 100 five); P3..P5 are not read. Ignores "Erase background".
void SmoothPainting(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                    bool preview);

struct SmoothSettings {
    int brushSize = 8;
    int iterations = 1;
};
SmoothSettings SmoothSettingsFor(int p1, int p2);

// How many strokes of `count` a pass keeps: Round(count * 0.95f).
int SmoothStrokesKept(int count);

} // namespace pq
