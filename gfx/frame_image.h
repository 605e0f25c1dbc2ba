#pragma once

#include "gfx/image.h"

#include <QRgb>
#include <QSize>

#include <array>
#include <cstdint>

namespace gfx {

class Canvas;

// The hole of a picture frame: from (left, top) to (right, bottom), the far
// ends exclusive. The frame's borders are left, top, width - right and
// height - bottom.
struct FrameHole {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const FrameHole&) const = default;
};

// Walks out from the frame's centre along its middle row and column to the
// first solid pixel (alpha 251 or more) on each side; a side with none has
// no border. A frame whose centre pixel is solid has no hole to find and
// counts as a frame without borders (the hole is the whole frame).
FrameHole FindFrameHole(const Image& frame);

// True when the frame's centre pixel is not solid, so that it has a hole
// around its centre to put a picture in; false for a null frame.
bool HasFrameOpening(const Image& frame);

// True when no pixel of the frame's middle row and column is solid: a
// mat without borders, whose hole is the whole frame. False for a null
// frame.
bool IsMatOnlyFrame(const Image& frame);

// Where a framed picture's parts go: the output's size and the picture's
// top-left corner in it. 64-bit, so that no margin overflows.
struct FrameLayout {
    int64_t width = 0;
    int64_t height = 0;
    int64_t imageX = 0;
    int64_t imageY = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    int64_t margin = 0;
};
// A negative margin counts as 0.
FrameLayout LayOutFrame(QSize image, QSize frame, const FrameHole& hole, int64_t margin);

// A frame cut at its hole into nine patches (row by row: top-left, top,
// top-right, left, hole, right, ...), made once and drawn many times.
// Patches with no pixels are null; a clear patch (every pixel 0) draws
// nothing and is skipped.
struct FramePatches {
    QSize size;
    FrameHole hole;
    std::array<Image, 9> patch;
    std::array<bool, 9> clear{};
};
FramePatches CutFrame(const Image& frame, const FrameHole& hole);

// Draws a framed picture in layout coordinates (the canvas's transform may
// scale them): the margin band and one pixel more on every side in the
// margin colour (unpremultiplied ARGB, not antialiased), the picture in its
// place (a copy when it has the layout's picture size, else stretched
// bilinearly; grey 0xFF808080 when null), then the frame as a nine-patch
// over the whole layout with bilinear filtering: corners kept, edges and
// hole stretched.
void DrawFramedPicture(Canvas& canvas, const Image& picture, const FramePatches& frame, const FrameLayout& layout,
                       QRgb marginColor);

// The layout drawn on a new surface of its size; null when the size is
// beyond the limits or cannot be allocated. Any thread.
Image ComposeFramedPicture(const Image& picture, const FramePatches& frame, const FrameLayout& layout,
                           QRgb marginColor);

// The picture inside the frame's hole, surrounded by a margin of `margin`
// pixels in an unpremultiplied ARGB colour; the frame is drawn over the
// whole output as a nine-patch (corners kept, edges and hole stretched,
// bilinear). Returns the image itself when the frame is null, and a null
// image when the image is null or the output cannot be made (too large,
// memory). Any thread.
Image ApplyFrameBitmap(const Image& image, const Image& frame, int margin, QRgb marginColor);

} // namespace gfx
