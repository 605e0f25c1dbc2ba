// Watercolor Flow's pieces, in the order a run uses them: the settings its
// sliders give (settings), what it reads of the photo (source), the colour
// grid and pigment palette (palette), laying the pigments (paint) and
// glazing them onto the paper with the contours (glaze). planes.h holds the
// per-pixel planes they pass along; noise is the deterministic noise all of
// them share.

#include "effects/painting/watercolor_flow/watercolor_flow.h"

#include "effects/painting/selective_mean.h"
#include "effects/painting/watercolor_flow/glaze.h"
#include "effects/painting/watercolor_flow/paint.h"
#include "effects/painting/watercolor_flow/palette.h"
#include "effects/painting/watercolor_flow/settings.h"
#include "effects/painting/watercolor_flow/source.h"
#include "engine/runtime/effect_api.h"
#include "platform/thread_pool.h"

namespace pq {
namespace {

constexpr int kMinSide = 8;

void Progress(bool preview, int value)
{
    if (!preview)
        SafeUpdateProgress(value);
}

// The source's alpha, and the paper each pixel starts as: the picture
// painted over where it is solid, else the warm paper colour.
void ReadPlanes(const gfx::Image& source, const gfx::Surface& canvas, flow::FlowPlanes& planes)
{
    const int w = planes.w;
    planes.alpha.assign(planes.size(), 0);
    planes.under.assign(planes.erase ? 0 : planes.size(), 0);
    for (auto& p : planes.paper)
        p.assign(planes.size(), 0.0f);
    platform::ParallelForRange(0, planes.h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* src = source.row(y);
            const gfx::Pixel* under = canvas.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                planes.alpha[i] = uint8_t(src[x] >> 24);
                const gfx::Pixel u = under[x];
                if (!planes.erase)
                    planes.under[i] = uint8_t(u >> 24);
                if (!planes.erase && (u >> 24) >= 128) {
                    planes.paper[0][i] = float((u >> 16) & 0xFF) / 255.0f;
                    planes.paper[1][i] = float((u >> 8) & 0xFF) / 255.0f;
                    planes.paper[2][i] = float(u & 0xFF) / 255.0f;
                } else {
                    planes.paper[0][i] = flow::kPaperR;
                    planes.paper[1][i] = flow::kPaperG;
                    planes.paper[2][i] = flow::kPaperB;
                }
            }
        }
    });
}

} // namespace

void WatercolorFlow(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                    bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    CheckCancellation();
    const auto paper = LoadWatercolorTextureSamples();
    const flow::FlowSettings s = flow::DeriveFlowSettings(p1, p2, p3, p4, p5);
    flow::FlowPlanes planes;
    // Previews start from blank paper; a full run reads the option and the
    // picture to paint over in one synchronous UI call.
    CanvasBackground background;
    if (!preview)
        background = ReadCanvasBackground();
    planes.erase = background.erase;
    planes.w = source.width();
    planes.h = source.height();
    if (planes.w < kMinSide || planes.h < kMinSide)
        return;
    planes.hasTransparency = !source.isOpaque();
    CheckCancellation();

    planes.filtered = SelectiveMean(source);
    CheckCancellation();
    Progress(preview, 8);
    flow::GreyAndWhite(planes);
    CheckCancellation();
    flow::EdgePlane(planes);
    Progress(preview, 14);

    gfx::Surface canvas = gfx::Surface::make(source.size());
    if (canvas.isNull())
        return;
    canvas.clearPixel(0);
    if (!planes.erase && !background.under.isNull())
        canvas.writeImage(background.under, 0, 0);
    ReadPlanes(source, canvas, planes);

    flow::FlowGrid grid = flow::CellMeans(planes, s.cellSize);
    flow::Palette palette = flow::BinCells(grid, s.colourFactor);
    flow::MergeBins(grid, palette, s.detail);
    flow::FinishGrid(grid, palette, s.smoothingRadius);
    CheckCancellation();
    Progress(preview, 20);

    flow::LayPigments(planes, grid, palette, s, preview);
    flow::AbsorbIslands(planes, palette, flow::CleanupSize(s, int64_t(planes.size())));
    CheckCancellation();
    Progress(preview, 76);
    flow::Glaze(planes, s);
    Progress(preview, 88);
    flow::DrawContours(planes, s, paper.get());
    flow::WriteOutput(planes, canvas);

    dest.clearPixel(0);
    dest.writeImage(canvas.snapshot(), 0, 0);
    ReportFinished(dest, preview);
}

} // namespace pq
