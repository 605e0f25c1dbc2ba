#pragma once

#include "gfx/image.h"

#include <QRgb>
#include <QSize>

#include <cstdint>

namespace gfx {

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

// Where a framed picture's parts go: the output's size and the picture's
// top-left corner in it. 64-bit, so that no margin overflows.
struct FrameLayout {
    int64_t width = 0;
    int64_t height = 0;
    int64_t imageX = 0;
    int64_t imageY = 0;
};
// A negative margin counts as 0.
FrameLayout LayOutFrame(QSize image, QSize frame, const FrameHole& hole, int64_t margin);

// The picture inside the frame's hole, surrounded by a margin of `margin`
// pixels in an unpremultiplied ARGB colour; the frame is drawn over the
// whole output as a nine-patch (corners kept, edges and hole stretched,
// bilinear). Returns the image itself when the frame is null, and a null
// image when the image is null or the output cannot be made (too large,
// memory). Any thread.
Image ApplyFrameBitmap(const Image& image, const Image& frame, int margin, QRgb marginColor);

} // namespace gfx
