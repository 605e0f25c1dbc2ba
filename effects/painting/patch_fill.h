#pragma once

// Laying one anti-aliased patch onto the watercolour canvas, row by row, so
// that the rows of many patches can be shared out between threads.

#include "effects/painting/polygon_coverage.h"
#include "gfx/image.h"
#include "gfx/surface.h"

#include <cstdint>

namespace pq {

// Each call takes the calling thread's coverage scratch.

// Erase mode, row y of the shape's box: source-over (rounded) of the
// premultiplied colour Paint, scaled by the shape's coverage, onto
// CanvasRow (the canvas's whole row y). Ahead, when given, is a later
// canvas row that the caller will fill soon: its stretch is fetched early.
void FillPatchRow(const PolygonCoverage& Shape, int y, gfx::Pixel Paint, gfx::Pixel* CanvasRow,
                  CoverageScratch& Scratch, const gfx::Pixel* Ahead = nullptr);

// Paint-over mode, row y: every pixel the patch marks becomes, channel by
// channel, L + canvas * (255 - L's alpha) div 255, L being Paint scaled by
// the coverage (a layer pixel of alpha 0 leaves the canvas alone).
void CommitPatchRow(const PolygonCoverage& Shape, int y, gfx::Pixel Paint, gfx::Pixel* CanvasRow,
                    CoverageScratch& Scratch);

// What FillPatchRow and CommitPatchRow make of one pixel (x, y) of the
// box that holds Under.
gfx::Pixel FillPatchPixel(const PolygonCoverage& Shape, int x, int y, gfx::Pixel Paint, gfx::Pixel Under,
                          CoverageScratch& Scratch);
gfx::Pixel CommitPatchPixel(const PolygonCoverage& Shape, int x, int y, gfx::Pixel Paint, gfx::Pixel Under,
                            CoverageScratch& Scratch);

// Paint-over mode's test: over the pixels the patch marks, Before sums
// |canvas - source| and After |new - source| over R, G and B, new being
// what CommitPatchRow would write. Canvas and Source have the same size,
// which holds the shape's box.
struct PatchError {
    int64_t before = 0;
    int64_t after = 0;
};
PatchError MeasurePatch(const PolygonCoverage& Shape, gfx::Pixel Paint, const gfx::Surface& Canvas,
                        const gfx::Image& Source, CoverageScratch& Scratch);

// The patch is kept when it brings the picture closer to the source.
inline bool PatchImproves(const PatchError& e, float Gain)
{
    return e.before > 0 && double(e.before) > double(e.after) * double(Gain);
}

// Whole patches, one after another, on the calling thread.
void FillPatch(const PolygonCoverage& Shape, gfx::Pixel Paint, gfx::Surface& Canvas);
// True when the patch improved the picture and was committed.
bool CommitPatchIfCloser(const PolygonCoverage& Shape, gfx::Pixel Paint, gfx::Surface& Canvas,
                         const gfx::Image& Source, float Gain);

} // namespace pq
