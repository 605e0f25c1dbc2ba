#pragma once

#include "gfx/image.h"

namespace gfx {

// How one image is laid over another. Normal and Multiply are the usual
// per-channel modes; Darken and Lighten keep, per pixel, the whole pixel of
// the darker (lighter) image by Rec. 709 luma of the un-premultiplied
// colours, the laid image winning ties.
enum class CombineMode { Normal, Multiply, Darken, Lighten };

// The base with `blend` laid over it at (0, 0) at its own size, faded by
// `amount` (0..1; clamped, anything not a number counts as 0). The result
// has the base's size: beyond the blend image the base stays as it is, and
// the part of the blend image beyond the base is lost. Where Darken or
// Lighten picks the blend pixel, it goes over the base weighted by its own
// alpha, so a transparent blend pixel leaves the base unchanged in every
// mode. Rows run in parallel. Null for a null base or when memory runs out;
// a null blend image gives a copy of the base.
Image CombineImages(const Image& base, const Image& blend, CombineMode mode, float amount);

} // namespace gfx
