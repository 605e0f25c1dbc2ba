#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

#include <QImage>

namespace pq {

// Copies the window of Image at (X, Y) the size of Bitmap into Bitmap's
// top-left corner, pixel for pixel (premultiplied BGRA). Parts of the window
// outside the image, on any side, are clipped: those bitmap pixels keep
// their contents. Nothing happens for a null image or an empty bitmap. A
// bitmap in another format is converted to premultiplied BGRA first.
void CopyImageRegionToBitmap(const gfx::Image& image, QImage& bitmap, int left, int top);

// The image turned by a quarter: W x H becomes H x W. Pixel (x, y) goes to
// (H - 1 - y, x) clockwise and to (y, W - 1 - x) counter-clockwise.
// Null for a null image.
gfx::Image RotateImage90(const gfx::Image& image, bool clockwise);

// The image drawn scaled onto a transparent Width x Height surface with
// Mitchell cubic sampling (aspect not kept). Null for a null image or a
// non-positive or absurd size.
gfx::Image ResizeImage(const gfx::Image& image, int width, int height);

// Redraws Surface as Source (or, when Source is null, the surface's own
// pixels) sharpened by the 3 x 3 kernel 0, -a, 0 / -a, 1 + 4a, -a / 0, -a, 0
// with a = clamp(Amount, 0, 100) / 100; edges repeat, alpha is kept. The
// four trailing integers are accepted for old callers and ignored.
void SharpenSurface(const gfx::Image& source, gfx::Surface& surface, int amount, int = 0, int = 0, int = 0,
                    int = 0);

// Sum of squared differences of red, green and blue (stored, premultiplied
// bytes; alpha ignored) over every tenth pixel of every tenth row, starting
// at (0, 0). +infinity when the images cannot be compared (either is null,
// or their sizes differ), so that it never reads as "identical".
double ImageDifferenceSSD(const gfx::Image& a, const gfx::Image& b);

} // namespace pq
