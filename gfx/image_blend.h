#pragma once

#include "gfx/image.h"
#include "gfx/paint.h"

namespace gfx {

// `other` laid over `base` with an opacity and a blend mode; the result has
// base's size. Other is stretched to that size (Mitchell, aspect not kept)
// when its size differs. Opacity (0..1) scales other's premultiplied pixels
// before the mode, so with SrcOver 0.25 gives a quarter of other and three
// quarters of base. Returns base when other is null, and a null image when
// base is null or memory runs out.
Image BlendImages(const Image& base, const Image& other, float opacity, BlendMode mode);

} // namespace gfx
