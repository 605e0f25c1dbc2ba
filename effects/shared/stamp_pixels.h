#pragma once

// Judging and laying a drawn stamp: the pixel error, the stamp-over
// composite, the commit onto a canvas and the impasto relief. All work on
// the stored premultiplied bytes.

#include "effects/shared/stamp_draw.h"
#include "gfx/image.h"
#include "gfx/surface.h"

#include <QRect>

#include <cstdint>
#include <cstdlib>

namespace pq {

// How far canvas pixel D is from source pixel S:
// 2 |S.A - D.A| + |S.R - D.R| + |S.G - D.G| + |S.B - D.B|.
inline int PixelError(gfx::Pixel s, gfx::Pixel d)
{
    return 2 * std::abs(int(s >> 24) - int(d >> 24)) + std::abs(int((s >> 16) & 255) - int((d >> 16) & 255)) +
           std::abs(int((s >> 8) & 255) - int((d >> 8) & 255)) + std::abs(int(s & 255) - int(d & 255));
}

// Stamp pixel T over canvas pixel D: T itself when opaque, else per channel
// T.c + ((D.c k + (D.c k >> 7)) >> 8) with k = 255 - T.A.
inline gfx::Pixel StampOver(gfx::Pixel t, gfx::Pixel d)
{
    const uint32_t k = 255u - (t >> 24);
    if (k == 0)
        return t;
    gfx::Pixel out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t dk = ((d >> shift) & 255u) * k;
        out |= (((t >> shift) & 255u) + ((dk + (dk >> 7)) >> 8)) << shift;
    }
    return out;
}

// The part of a stamp window whose pixels land inside a width x height
// canvas when the stamp's centre lies on canvas pixel (x, y): stamp pixel
// (u, v) lands on (x - C + u, y - C + v).
QRect WindowOnCanvas(const QRect& window, int centre, int x, int y, int width, int height);

// Lays every pixel of the window with alpha above 0 over the canvas, the
// stamp centred on canvas pixel (x, y); pixels landing outside the canvas
// are skipped. Like the relief below, it looks only inside the box of the
// surface's last draw (every other pixel is transparent).
void CommitStamp(const StampSurface& stamp, const QRect& window, gfx::Surface& canvas, int x, int y);

// DrawStamp onto a scratch surface of side `side` clipped to `clip`, then
// CommitStamp of the same window, in one pass with no scratch surface: the
// same canvas bytes. Large stamps are laid by several threads; the pixels
// never depend on how many.
void DrawStampOver(const Stamp& stamp, int side, const QRect& clip, gfx::Surface& canvas, int x, int y);
// The same on a canvas given by its first row and its stride in pixels, for
// callers that lay many small stamps (asking a surface for a row costs a
// call into its image).
void DrawStampOver(const Stamp& stamp, int side, const QRect& clip, gfx::Pixel* canvas, qsizetype stride, QSize size,
                   int x, int y);

// The impasto relief: lightens and darkens the colours of the stamp's
// pixels in `window` (with alpha above 5) by the slope of its alpha, fading
// towards the Manhattan distance R = max(size div 2 + size div 4, 1) from
// the centre, which it never reaches. Alpha never changes. The window must
// keep one pixel off the surface's edges.
void ApplyImpastoRelief(StampSurface& stamp, int size, int strength, const QRect& window);

// ApplyImpastoRelief(stamp, size, strength, reliefWindow), then
// CommitStamp(stamp, window, canvas, x, y), in one pass over the rows.
void ApplyReliefAndCommit(StampSurface& stamp, int size, int strength, const QRect& reliefWindow,
                          const QRect& window, gfx::Surface& canvas, int x, int y);

} // namespace pq
