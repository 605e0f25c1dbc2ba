// Watercolor 2's pieces: the washes grown from random seeds
// (region_washes) and the steps that finish the picture after them
// (wash_finishing). The smoothing it shares with Watercolor Flow is
// effects/painting/selective_mean.

#include "effects/painting/watercolor_2/watercolor_2.h"

#include "effects/painting/selective_mean.h"
#include "effects/painting/watercolor_2/region_washes.h"
#include "effects/painting/watercolor_2/wash_finishing.h"
#include "engine/repository/watercolor_paper.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>

namespace pq {
namespace {

constexpr int kMinSide = 4;

std::vector<uint8_t> AlphaPlane(const gfx::Image& source)
{
    const int w = source.width();
    std::vector<uint8_t> alpha(size_t(w) * size_t(source.height()));
    platform::ParallelForRange(0, source.height(), 64, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* row = source.row(y);
            uint8_t* out = alpha.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                out[x] = uint8_t(row[x] >> 24);
        }
    });
    return alpha;
}

// Clears the canvas (or lays the current result on it) and answers whether
// the washes start from blank paper.
bool PrepareWashCanvas(gfx::Surface& canvas, bool hasTransparency, bool preview)
{
    const gfx::Pixel blank = hasTransparency ? 0u : 0xFFFFFFFFu;
    if (preview) {
        canvas.clearPixel(blank);
        return true;
    }
    const CanvasBackground background = ReadCanvasBackground();
    if (background.erase) {
        canvas.clearPixel(blank);
        return true;
    }
    canvas.clearPixel(0);
    if (!background.under.isNull())
        canvas.writeImage(background.under, 0, 0);
    return false;
}

} // namespace

void Watercolor2(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    CheckCancellation();
    WashPaper paper(LoadWatercolorTextureSamples());
    const int w = source.width(), h = source.height();
    if (w < kMinSide || h < kMinSide)
        return;

    WashSettings washes;
    washes.threshold = p2;
    washes.coverageLimit = platform::Round64(double(p1) * 1.4);
    washes.coverageUnit = std::max<int64_t>(1, int64_t(w) * h / 140);
    washes.seedRounds = (int64_t(w) + h) * 100 + 1;
    washes.growthDivisor = preview ? 32 : 512;
    washes.preview = preview;
    FinishSettings finish;
    finish.brightLevel = platform::Round64(double(p3) * 2.55);
    const float edgeStrength = float(p4) / 50.0f;
    finish.edges = edgeStrength > 0.01f;
    finish.edgeMax = finish.edges ? int(std::min<int64_t>(65535, platform::Round64(double(edgeStrength) * 65.0))) : 0;
    finish.saturationShift = int(std::clamp<int64_t>(2 * int64_t(p5) - 100, -1000000, 1000000));

    WashPlanes planes;
    planes.w = w;
    planes.h = h;
    planes.alpha = AlphaPlane(source);
    const bool hasTransparency = !source.isOpaque();
    CheckCancellation();
    planes.smooth = SelectiveMean(source);
    planes.painted.assign(size_t(w) * size_t(h), 0);

    // The washes go straight into Dest when it has the picture's size.
    gfx::Surface own;
    if (dest.size() != source.size()) {
        own = gfx::Surface::make(source.size());
        if (own.isNull())
            return;
    }
    gfx::Surface& canvas = own.isNull() ? dest : own;
    finish.erase = PrepareWashCanvas(canvas, hasTransparency, preview);

    RegionWashes(planes, paper, canvas, washes).paint(RunRandom());
    CheckCancellation();
    ReportProgress(canvas, preview, 85);
    if (finish.erase)
        FillUnpainted(planes, paper, canvas);
    CheckCancellation();
    ReportProgress(canvas, preview, 90);
    const std::vector<uint16_t> edges = finish.edges ? WashEdgeMap(planes, finish.edgeMax) : std::vector<uint16_t>();
    CheckCancellation();
    FinishWashes(planes, edges, finish, canvas);

    if (!own.isNull()) {
        dest.clearPixel(0);
        dest.writeImage(own.snapshot(), 0, 0);
    }
    ReportFinished(dest, preview);
}

} // namespace pq
