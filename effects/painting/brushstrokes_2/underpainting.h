#pragma once

// The faint underpainting of Brushstrokes 2 from blank paper: strokes on a
// 40-pixel grid of a half-size white canvas, stretched over the picture.

#include "effects/painting/brushstrokes_2/brush_tip_mask.h"
#include "effects/painting/brushstrokes_2/stroke_field.h"
#include "gfx/surface.h"
#include "platform/random.h"

#include <vector>

namespace pq {

// Paints the underpainting and draws it over the whole of `picture`.
// Progress 5..20 (full run) and cancellation points on the way.
void Underpaint(gfx::Surface& picture, const std::vector<gfx::Pixel>& photo, bool hasAlpha, const StrokeField& field,
                const BrushTipMask& mask, int opacitySlider, bool preview, platform::Random& rng);

} // namespace pq
