#pragma once

// Laying one anti-aliased patch onto the watercolour canvas, row by row, so
// that the rows of many patches can be shared out between threads.

#include "effects/painting/watercolor/polygon_coverage.h"
#include "gfx/image.h"
#include "gfx/surface.h"

#include <cstdint>

namespace pq {

// Each call takes the calling thread's coverage scratch.

// Erase mode, row y of the shape's box: source-over (rounded) of the
// premultiplied colour Paint, scaled by the shape's coverage, onto
// CanvasRow (the canvas's whole row y). Ahead, when given, is a later
// canvas row that the caller will fill soon: its stretch is fetched early.
void FillPatchRow(const PolygonCoverage& shape, int y, gfx::Pixel paint, gfx::Pixel* canvasRow,
                  CoverageScratch& scratch, const gfx::Pixel* ahead = nullptr);

// Paint-over mode, row y: every pixel the patch marks becomes, channel by
// channel, L + canvas * (255 - L's alpha) div 255, L being Paint scaled by
// the coverage (a layer pixel of alpha 0 leaves the canvas alone).
void CommitPatchRow(const PolygonCoverage& shape, int y, gfx::Pixel paint, gfx::Pixel* canvasRow,
                    CoverageScratch& scratch);

// The same with the row's coverage already in scratch (s.runs and s.cov,
// from the shape's row or selectedRow).
void FillCoveredRow(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Pixel* canvasRow, CoverageScratch& scratch,
                    const gfx::Pixel* ahead = nullptr);
void CommitCoveredRow(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Pixel* canvasRow,
                      CoverageScratch& scratch);

// One piece of such a row: N pixels from Out on, of the per-pixel coverage
// Cov (Value < 0) or of the constant coverage Value, as FillCoveredRow and
// CommitCoveredRow lay them.
void FillSpan(gfx::Pixel paint, int value, const uint8_t* cov, gfx::Pixel* out, int n);
void CommitSpan(gfx::Pixel paint, int value, const uint8_t* cov, gfx::Pixel* out, int n);

// What FillPatchRow and CommitPatchRow make of one pixel (x, y) of the
// box that holds Under.
gfx::Pixel FillPatchPixel(const PolygonCoverage& shape, int x, int y, gfx::Pixel paint, gfx::Pixel under,
                          CoverageScratch& scratch);
gfx::Pixel CommitPatchPixel(const PolygonCoverage& shape, int x, int y, gfx::Pixel paint, gfx::Pixel under,
                            CoverageScratch& scratch);
// The same for a pixel the shape covers whole.
gfx::Pixel FillWholePixel(gfx::Pixel paint, gfx::Pixel under);
gfx::Pixel CommitWholePixel(gfx::Pixel paint, gfx::Pixel under);

// Paint-over mode's test: over the pixels the patch marks, Before sums
// |canvas - source| and After |new - source| over R, G and B, new being
// what CommitPatchRow would write. Canvas and Source have the same size,
// which holds the shape's box.
struct PatchError {
    int64_t before = 0;
    int64_t after = 0;
};
PatchError MeasurePatch(const PolygonCoverage& shape, gfx::Pixel paint, const gfx::Surface& canvas,
                        const gfx::Image& source, CoverageScratch& scratch);

// The patch is kept when it brings the picture closer to the source.
inline bool PatchImproves(const PatchError& e, float gain)
{
    return e.before > 0 && double(e.before) > double(e.after) * double(gain);
}

// Whole patches, one after another, on the calling thread.
void FillPatch(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Surface& canvas);
// True when the patch improved the picture and was committed.
bool CommitPatchIfCloser(const PolygonCoverage& shape, gfx::Pixel paint, gfx::Surface& canvas,
                         const gfx::Image& source, float gain);

} // namespace pq
