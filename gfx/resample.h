#pragma once

#include "gfx/image.h"
#include "gfx/paint.h"

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QTransform>

#include <vector>

namespace gfx {

// Resizes to width x height (aspect not kept). The cubics (Mitchell and
// Catmull-Rom) widen their support when shrinking so that downscales do not alias; Linear is
// bilinear; Nearest picks pixel centres. Edge pixels repeat, so a constant
// image stays that constant; an unchanged size gives an exact copy. Null for
// a null image or bad size.
Image Resize(const Image& image, int width, int height, Sampling sampling = Sampling::Mitchell);

// Bilinear resize from the nearest mip level: the image is first halved
// with a 2 x 2 box (sizes rounded down, at least 1) as many times as
// Round(log2(shrink)) says, shrink being the larger of the two axes' source
// to target ratios, then resized bilinearly. Null for a null image or bad
// size.
Image ResizeMipmapped(const Image& image, int width, int height);

// Nearest-neighbour resize in integer arithmetic: output column i copies
// source column ((2 i + 1) * source width) div (2 * width), the one under
// the output pixel's centre, and rows likewise. No rounding of a scale
// factor can pick a neighbour instead. Null for a null image or bad size.
Image ResizeNearest(const Image& image, int width, int height);

// The source index ResizeNearest copies for each of `count` outputs from
// `sourceCount` inputs.
std::vector<int> NearestIndices(int count, int sourceCount);

// The exact-copy rule, the same for every drawing call of this layer: an
// image drawn at its own size at a whole-pixel position (a transform that
// is a translation by integers) is copied pixel for pixel, whatever
// sampling is named; a cubic never softens it and no filter touches it.
bool IsExactCopy(const QTransform& transform);

// Maps the part srcRect of the image through `transform` (source pixel
// coordinates to device coordinates) and samples it into a new image that
// covers the transformed bounds; everything outside the source is
// transparent. *origin receives the device position of the result's
// top-left pixel. Edges are antialiased by pixel coverage; samples clamp to
// the source rectangle. The cubics widen their taps where the transform
// shrinks. A whole-pixel source area under an exact-copy transform
// (IsExactCopy) comes back unchanged.
// A non-null deviceClip limits the result to that device rectangle. Null
// when the result would be empty, for a perspective or singular transform,
// or when it would exceed the size limits.
Image TransformImage(const Image& image, const QRectF& srcRect, const QTransform& transform, Sampling sampling,
                     QPoint* origin, const QRect& deviceClip = QRect());

} // namespace gfx
