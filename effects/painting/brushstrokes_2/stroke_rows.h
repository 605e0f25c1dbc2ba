#pragma once

// The row loops of Brushstrokes 2's strokes: laying a stamp's row over the
// picture and summing how far the touched pixels are from the photo. Each
// has a plain form and, picked at start, an AVX2 form eight pixels at a
// time with the same results.

#include "gfx/image.h"

#include <cstdint>

namespace pq {

// One stamp of a stroke over the picture: its mask positions
// [mx0, mx1) x [my0, my1); row my of each plane at its pointer plus my
// times its stride (in elements), indexed by mask column.
struct StampRows {
    gfx::Pixel* picture = nullptr;
    qsizetype pictureStride = 0;
    const gfx::Pixel* photo = nullptr;
    qsizetype photoStride = 0;
    uint8_t* mark = nullptr;
    qsizetype markStride = 0;
    const uint8_t* alpha = nullptr;     // the mask, maskWidth to a row
    const gfx::Pixel* colour = nullptr; // the patch, maskWidth to a row, any alpha byte
    int maskWidth = 0;
    int mx0 = 0, mx1 = 0, my0 = 0, my1 = 0;
    uint32_t opacity = 0; // 0..255
    bool hasAlpha = false;
};

// Lays the stamp: a position with mask alpha a > 0, unless `hasAlpha` and
// its photo pixel is transparent, becomes BlendSoft(picture, colour, a,
// opacity) and gets mark 1. True when a position was laid.
bool LayStrokeStamp(const StampRows& s);
bool LayStrokeStampPlain(const StampRows& s);

// The colours of n patch sources (PatchColour).
void PatchColours(const gfx::Pixel* photo, const int32_t* pixel, const int8_t* jitter, int n, gfx::Pixel* out);
void PatchColoursPlain(const gfx::Pixel* photo, const int32_t* pixel, const int8_t* jitter, int n, gfx::Pixel* out);

// The sums |R - R'| + |G - G'| + |B - B'| from the photo of pixels [from, to)
// before (`old`) and after (`now`) a stroke.
struct StrokeErrors {
    int64_t before = 0, after = 0;
};
// Over the pixels with mark[x] != 0.
StrokeErrors MarkedRowErrors(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src,
                             const uint8_t* mark, int from, int to);
StrokeErrors MarkedRowErrorsPlain(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src,
                                  const uint8_t* mark, int from, int to);
// Over every pixel: after - before.
int64_t RowErrorChange(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src, int from, int to);
int64_t RowErrorChangePlain(const gfx::Pixel* old, const gfx::Pixel* now, const gfx::Pixel* src, int from, int to);

} // namespace pq
