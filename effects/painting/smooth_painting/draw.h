#pragma once

// How smooth painting lays one stroke on a band of rows of the canvas:
// SmoothBlend of the stroke's colour with the brush alpha over every pixel
// the brush has ink on.

#include "effects/painting/smooth_painting/match.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pq {

// A stroke as it is drawn, kept in drawing order.
struct SmoothDrawn {
    int x = 0, y = 0; // top-left corner of the brush
    gfx::Pixel colour = 0;
    int brush = 0;
};

// A brush's inked columns row by row, and the same rows in blocks of eight
// and four pixels from the first inked column on, with the alpha k and
// 255 - k for each channel (0 and 255 past the ink, which leave a pixel as
// it is).
struct SmoothStrokeInk {
    int size = 0;
    std::vector<uint8_t> alpha;          // the brush's, size x size
    std::vector<int> first, last;        // inked columns, first > last for none
    struct Blocks {
        int from = 0;          // first column
        int eights = 0, fours = 0;
        uint32_t weightAt = 0; // first weight
    };
    std::vector<Blocks> blocks;          // each row's
    int inkTop = 0, inkBottom = 0;       // the rows with ink, [top, bottom)
    std::vector<uint16_t> k, rest;       // four a pixel
    int blockLeft = 0, blockRight = 0;   // the blocks' columns, [left, right)
};
SmoothStrokeInk MakeSmoothStrokeInk(const SmoothBrush& brush);

// Draws the stroke on rows top..bottom - 1 of the canvas at `base` (width
// pixels a row, `stride` apart), clipped to its columns. Eight pixels at a
// time on AVX2 where the blocks lie on the canvas, else DrawSmoothStrokePlain.
void DrawSmoothStroke(const SmoothDrawn& s, const SmoothStrokeInk& ink, gfx::Pixel* base, ptrdiff_t stride, int width,
                      int top, int bottom);
void DrawSmoothStrokePlain(const SmoothDrawn& s, const SmoothStrokeInk& ink, gfx::Pixel* base, ptrdiff_t stride,
                           int width, int top, int bottom);

} // namespace pq
