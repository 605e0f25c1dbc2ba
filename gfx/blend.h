#pragma once

#include "gfx/paint.h"
#include "gfx/surface.h"

namespace gfx {

// Composites `layer` (premultiplied, same size as dst) onto dst inside
// `area` with any blend mode, the non-separable ones included.
void BlendLayer(Surface& dst, const QImage& layer, const QRect& area, BlendMode mode);

// Lays `layer` (premultiplied, the size of dst) over dst source-over at one
// opacity, 0..255: each layer pixel is faded by opacity / 255, then
// composited, so shapes drawn into the layer share that translucency and
// overlaps in it do not darken. Nothing happens for opacity 0 or a size
// mismatch.
void CompositeLayer(Surface& dst, const Image& layer, int opacity);

// One premultiplied pixel of src blended over dst.
Pixel BlendPixel(Pixel dst, Pixel src, BlendMode mode);

// True when QPainter implements the mode itself.
bool IsPainterBlendMode(BlendMode mode);

} // namespace gfx
