// Mosaic, Circles and Triangles run one placement pipeline over a shape
// policy. run.h declares it; analysis, search, cover and run hold its
// stages, settings the numbers the sliders give. placement_context holds
// what a placement reads: colour sums (color_sat, in 32 bits where every
// box fits; color_runs.h sums a sampled run four pixels at a time), the
// covered pixels (bit_plane.h) and the shape's rows (shape_rows.h for
// shapes centred on a pixel, per thread; shape_spans.h). seed_picker draws
// the seeds (the same random steps, cheaper rejection; rng_jump.h steps the
// generator several times at once), seed_core is the per-level core test
// taken before a rotation is evaluated, seed_verdicts.h keeps a preview's
// seeds turned down at a level. A full run's evaluations read colours from
// the half-size picture its analysed one is enlarged from, a quarter of
// the memory for the same values. A sub-pass draws each search partition's
// seeds, then evaluates them in chunks spread over all threads and joins
// the chunks in partition order, so the picture does not depend on the
// thread count. Lattice arithmetic on the sampling steps (1, 2 or 3)
// divides by constants (DivStep, UpToStep): the core tests of the many
// seeds turned down near their centre spent a third of their time in
// division instructions.

#include "effects/stylize/space_filling/mosaic.h"

#include "effects/stylize/space_filling/run.h"
#include "engine/runtime/effect_api.h"
#include "gfx/resample.h"
#include "platform/numeric.h"

#include <new>

namespace pq {
namespace stylize {

void RunMosaic(MosaicShape shape, const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4,
               int p5, bool preview, int searchPartitions, int seedsPerChunk)
{
    if (source.isNull() || dest.isNull() || source.width() <= 3 || source.height() <= 3)
        return;
    int w = source.width(), h = source.height();
    // A preview works at 1.5 times the size on a surface of its own.
    gfx::Image work = source;
    gfx::Surface enlarged;
    if (preview) {
        w = platform::Round(w * 1.5);
        h = platform::Round(h * 1.5);
        work = gfx::ResizeNearest(source, w, h);
        enlarged = gfx::Surface::make(w, h);
        if (work.isNull() || enlarged.isNull())
            throw std::bad_alloc();
    }
    gfx::Surface& canvas = preview ? enlarged : dest;
    CheckCancellation();

    // Full runs measure a picture coarsened to half the size and back, so
    // that the shapes do not chase single-pixel noise.
    gfx::Image analysis = work, coarse;
    if (!preview) {
        coarse = gfx::ResizeNearest(work, w / 2, h / 2);
        analysis = gfx::ResizeNearest(coarse, w, h);
        if (analysis.isNull())
            throw std::bad_alloc();
    }
    const MosaicSettings settings = DeriveMosaicSettings(w, h, p1, p2, p3, p4, p5, preview);
    MosaicPaintOptions options;
    options.preview = preview;
    options.searchPartitions = std::max(1, searchPartitions);
    options.seedsPerChunk = std::max(0, seedsPerChunk);
    const EffectOptions chosen = RunEffectOptions();
    options.drawContours = chosen.drawContours;
    options.contourColor = chosen.contourColor;

    MosaicRun run(shape, analysis, canvas, settings, options);
    if (!coarse.isNull())
        run.readColorsFrom(coarse);
    run.analyse();
    // The canvas as the analysed picture's transparency asks for it.
    PrepareCanvas(analysis, canvas, preview);
    ReportProgress(canvas, preview, 0);
    run.paint();

    if (preview) {
        const gfx::Image shrunk = gfx::ResizeNearest(enlarged.snapshot(), dest.width(), dest.height());
        if (shrunk.isNull())
            throw std::bad_alloc();
        dest.clearPixel(0);
        dest.writeImage(shrunk, 0, 0);
    }
    ReportFinished(dest, preview);
}

} // namespace stylize

void Mosaic(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    stylize::RunMosaic(stylize::MosaicShape::Square, source, dest, p1, p2, p3, p4, p5, preview);
}

void Circles(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    stylize::RunMosaic(stylize::MosaicShape::Disc, source, dest, p1, p2, p3, p4, p5, preview);
}

void Triangles(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    stylize::RunMosaic(stylize::MosaicShape::Triangle, source, dest, p1, p2, p3, p4, p5, preview);
}

} // namespace pq
