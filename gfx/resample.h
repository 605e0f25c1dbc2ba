#pragma once

#include "gfx/image.h"
#include "gfx/paint.h"

#include <QPoint>
#include <QRectF>
#include <QTransform>

namespace gfx {

// Resizes to width x height (aspect not kept). Mitchell (B = C = 1/3) widens
// its support when shrinking so that downscales do not alias; Linear is
// bilinear; Nearest picks pixel centres. Null for a null image or bad size.
Image resize(const Image& image, int width, int height, Sampling sampling = Sampling::Mitchell);

// Maps the part srcRect of the image through `transform` (source pixel
// coordinates to device coordinates) and samples it into a new image that
// covers the transformed bounds; everything outside the source is
// transparent. *origin receives the device position of the result's
// top-left pixel. Null when the result would be empty.
Image transformImage(const Image& image, const QRectF& srcRect, const QTransform& transform, Sampling sampling,
                     QPoint* origin);

} // namespace gfx
