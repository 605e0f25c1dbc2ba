#pragma once

// The brush-stamp machinery of the painting effects that stamp tinted brush
// cells onto their canvas (oil pastel, watercolour splashes, impasto
// brushstrokes):
//
//   stamp_cell.h    StampCell (a cell's alpha with mip levels), cutting a
//                   brush sheet (tested or counted), BrushOrientationAngle
//   stamp_draw.h    StampSurface, Stamp, DrawStamp (nearest, bilinear,
//                   mipmapped bilinear or Mitchell cubic; clipped, sampled)
//   stamp_pixels.h  PixelError, StampOver, WindowOnCanvas, CommitStamp,
//                   DrawStampOver (draw and commit in one pass),
//                   ApplyImpastoRelief
//   gradient_map.h  GradientMap, BuildGradientMap
//
// A typical try: ScoreStamp(stamp, side, window, step, target) with the
// gain's sampling step (the sums of PixelError(S, D) and
// PixelError(S, StampOver(T, D)) over the sampled window, as drawing it
// would give), and for the winner DrawStamp(surface, best, window),
// ApplyImpastoRelief, CommitStamp.
//
// The fast paths beside them: stamp_cell_cache cuts a sheet's cells (alpha
// planes, mipmaps, ink boxes) once per process; cubic stamps are drawn
// eight columns at a time (stamp_cubic_wide, the plain loop's arithmetic),
// bilinear ones by stamp_linear_wide, both taking their row constants from
// stamp_row_constants.h and handing each block to a sink of
// stamp_row_sinks.h, which stores it or sums its errors with the
// arithmetic of stamp_gain_wide.h, so scoring a try needs no surface. The
// relief and the commit work eight pixels at a time (stamp_relief_wide).
// Watercolor splashes plans a few places ahead on its own thread and
// measures their tries together.

#include "effects/shared/gradient_map.h"
#include "effects/shared/stamp_cell.h"
#include "effects/shared/stamp_draw.h"
#include "effects/shared/stamp_pixels.h"
#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// The canvas of a stamping effect. A preview clears Dest to transparent; a
// full run applies the canvas rule ("Erase background" on: transparent when
// the source has any pixel with alpha below 255, else opaque white; off:
// the current result under the new paint). Returns DoClear: true unless the
// effect paints over the current result. Raises EAbort when the UI is gone.
bool PrepareStampCanvas(const gfx::Image& source, gfx::Surface& dest, bool preview);

} // namespace pq
