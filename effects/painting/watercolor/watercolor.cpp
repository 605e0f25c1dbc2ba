// Watercolor's pieces: its pencil-like edge strokes (sobel_edges) and its
// patches. spoke_painter plans, grows and lays
// the patches in batches, and a batch goes down while the next is checked
// (spoke_batch_check). A patch grows spokes from its seed (spoke_patch),
// walked eight steps at a time (spoke_walk_wide, over a tiled copy on big
// pictures); spoke_reach tells pixels inside, outside and near the outline
// from the edges of their sectors, and patch_fill lays rows from
// polygon_coverage a band's rows at a time (band_layers leaves out pixels a
// later opaque patch of the band covers). A patch whose seed changed in the
// check grows again on the pool (spoke_regrow). They are split so that each
// fast path sits beside the plain loop it must match and is tested on its
// own against it.

#include "effects/painting/watercolor/watercolor.h"

#include "effects/painting/watercolor/sobel_edges.h"
#include "effects/painting/watercolor/spoke_painter.h"
#include "engine/runtime/effect_api.h"
#include "engine/services/similarity_smooth.h"
#include "engine/services/vibrance_pop.h"
#include "platform/numeric.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pq {
namespace {

// More than one pixel in a thousand with alpha below 255.
bool CountsAsTransparent(const gfx::Image& src)
{
    const int64_t bound = int64_t(src.width()) * src.height() / 1000;
    int64_t count = 0;
    for (int y = 0; y < src.height(); ++y) {
        const gfx::Pixel* row = src.row(y);
        for (int x = 0; x < src.width(); ++x)
            count += (row[x] >> 24) < 255 ? 1 : 0;
        if (count > bound)
            return true;
    }
    return false;
}

// Everything but paint-over mode's colour threshold.
SpokeSettings Derive(const gfx::Image& src, int p1, int p2, int p3, int p4, bool preview)
{
    SpokeSettings s;
    const int w = src.width(), h = src.height();
    s.hasTransparency = CountsAsTransparent(src);
    // Sliders beyond 100 would only multiply the work.
    const int iterations = std::min(p1, 100);
    const int complexitySlider = std::min(p2, 100);
    const double scale = w > 2048 && h > 2048 ? std::min(5.0, double(w) * double(h) / 4194304.0) : 1.0;
    const int shapes = preview ? std::max(50, platform::Round(std::sqrt(double(w) * double(h)) * 0.2 *
                                                              (double(iterations) + 1.0)))
                               : platform::Round(500.0 * (double(iterations) + 1.0));
    s.shapeCount = platform::Round(double(shapes) * scale);
    s.spokeCount = std::max(3, complexitySlider / 2);
    s.angleStep = float(2.0 * std::numbers::pi / s.spokeCount);
    s.complexity = std::clamp(float(p2) / 100.0f, 0.0f, 1.0f);
    s.colourThreshold = platform::Round(140.0 - double(s.complexity) * 80.0);
    s.sigma = float(0.8 - double(s.complexity) * 0.5);
    s.opacity = float(std::clamp(p4, 0, 100)) / 100.0f;
    const double size = double(p3);
    s.patchSize = float((size * size * 0.02 + size * 0.2) * scale);
    return s;
}

// Smoothing, vibrance, edge strokes and sharpening of the painted canvas.
void Finish(const gfx::Image& source, gfx::Surface& canvas, int p5, bool preview, bool doClear)
{
    auto report = [&](int value) { ReportProgress(canvas, preview, value); };
    SimilaritySmoothSurface(canvas, gfx::Image(), 5, 30, 3, false, 1.2f, 5.0f, 0,
                               [&](float fraction) { report(75 + platform::Round(15.0 * double(fraction))); });
    CheckCancellation();
    if (preview)
        report(92);
    VibrancePop(canvas.snapshot(), canvas, 8, 5, 2, 40, 70, preview);
    if (preview)
        report(95);
    OverlaySobelEdges(source, canvas, 5, 230, 10, p5);
    CheckCancellation();
    if (preview)
        report(98);
    SharpenSurface(gfx::Image(), canvas, doClear ? 40 : 10);
}

} // namespace

void Watercolor(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                        bool preview)
{
    CheckCancellation();
    if (source.isNull() || source.width() <= 0 || source.height() <= 0 || dest.isNull())
        return;
    // The work happens on a canvas of the source's size: Dest itself when it
    // has that size.
    gfx::Surface own;
    if (dest.size() != source.size()) {
        own = gfx::Surface::make(source.size());
        if (own.isNull())
            return;
    }
    gfx::Surface& canvas = own.isNull() ? dest : own;

    SpokeSettings s = Derive(source, p1, p2, p3, p4, preview);
    bool doClear = true;
    if (preview) {
        canvas.clear(Qt::white);
    } else {
        const CanvasBackground background = ReadCanvasBackground();
        doClear = background.erase;
        canvas.clearPixel(doClear && !s.hasTransparency ? 0xFFFFFFFFu : 0u);
        if (!doClear && !background.under.isNull())
            canvas.writeImage(background.under, 0, 0);
    }
    CheckCancellation();
    if (!doClear)
        s.colourThreshold = std::max(15, s.colourThreshold / 2);

    SpokePainter(source, canvas, s, preview, doClear).paint(RunRandom());
    CheckCancellation();
    Finish(source, canvas, p5, preview, doClear);

    if (!own.isNull()) {
        dest.clearPixel(0);
        dest.writeImage(own.snapshot(), 0, 0);
    }
    ReportFinished(dest, preview);
}

} // namespace pq
