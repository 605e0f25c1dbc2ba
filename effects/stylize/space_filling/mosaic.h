#pragma once

#include "effects/stylize/space_filling/settings.h"
#include "gfx/image.h"
#include "gfx/surface.h"

namespace pq {

// Effect 500 "Mosaic": the picture covered with non-overlapping rotated
// squares, largest first, each filled with the mean colour under it; large
// squares settle in calm areas, small ones follow the detail. P1 iterations,
// P2 min dot size, P3 max dot size, P4 colour tolerance, P5 quality (more
// rotations tried). Honours "Erase background" and draws shape contours
// when they are switched on.
void Mosaic(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

// Effect 502 "Circles": the same with discs (P5 is not used).
void Circles(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

// Effect 503 "Triangles": the same with rotated equilateral triangles.
void Triangles(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview);

namespace stylize {

// The three effects' one routine, with the search partition count and the
// seeds per evaluation chunk (0: by thread count) open to tests (the effects
// use kSearchPartitions and 0).
void RunMosaic(MosaicShape shape, const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4,
               int p5, bool preview, int searchPartitions = kSearchPartitions, int seedsPerChunk = 0);

} // namespace stylize
} // namespace pq
