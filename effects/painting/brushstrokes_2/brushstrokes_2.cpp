// Brushstrokes 2's pieces: the direction field of the photo (stroke_field),
// the underpainting (underpainting), the brush tips (brush_tip_mask) and
// the stroke passes (stroke_passes). A pass's strokes are generated on the
// run's thread while the pool draws them in footprint order (stroke_queue,
// whose threads stay for five passes and are woken a few ready strokes at
// a time; stroke_tiles weighs where the strokes go). The run's thread is
// what bounds a big photo: the drawing keeps up with it, and each pass
// waits for the last one's tiles. So it only walks the patch's random chain
// (stroke_patch: which draws each position makes, picked by conditional
// moves, chain_picks); a patch wholly over the photo is handed over as the
// chain's states, and the drawing thread works out its sources, eight
// positions at a time. Strokes and underpainting share one three-channel
// blend (stroke_blend), laid eight pixels at a time with the error sums in
// stroke_rows.

#include "effects/painting/brushstrokes_2/brushstrokes_2.h"

#include "effects/painting/brushstrokes_2/brush_tip_mask.h"
#include "effects/painting/brushstrokes_2/stroke_field.h"
#include "effects/painting/brushstrokes_2/stroke_passes.h"
#include "effects/painting/brushstrokes_2/underpainting.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_api.h"
#include "engine/services/vibrance_pop.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>

namespace pq {
namespace {

constexpr int kMinSide = 10;

std::vector<gfx::Pixel> PixelsOf(const gfx::Image& image)
{
    std::vector<gfx::Pixel> pixels(size_t(image.width()) * size_t(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.row(y), image.width(), pixels.data() + size_t(y) * size_t(image.width()));
    return pixels;
}

// The three tips, read from the repository on the UI thread.
std::array<BrushTipMask, 3> LoadTips()
{
    std::array<BrushTipMask, 3> tips;
    SyncWithUi([&] {
        ImageRepository& r = Repository();
        tips = {LoadBrushAlphaMask(r.sharedImage(&ImageRepository::paintBrushSim)),
                LoadBrushAlphaMask(r.sharedImage(&ImageRepository::paintBrushSim2)),
                LoadBrushAlphaMask(r.sharedImage(&ImageRepository::paintBrushSim3))};
    });
    return tips;
}

// The source's alpha on every pixel, colour bytes kept at or below it.
void TakeSourceAlpha(gfx::Surface& picture, const std::vector<gfx::Pixel>& photo)
{
    const int w = picture.width();
    platform::ParallelForRange(0, picture.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            gfx::Pixel* row = picture.row(y);
            const gfx::Pixel* src = photo.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) {
                const gfx::Pixel a = src[x] >> 24;
                gfx::Pixel out = a << 24;
                for (int shift = 0; shift <= 16; shift += 8)
                    out |= std::min((row[x] >> shift) & 0xFF, a) << shift;
                row[x] = out;
            }
        }
    });
}

} // namespace

void Brushstrokes2(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5,
                   bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    CheckCancellation();
    const int w = source.width(), h = source.height();
    if (w < kMinSide || h < kMinSide)
        return;
    const std::vector<gfx::Pixel> photo = PixelsOf(source);
    const bool hasAlpha = !source.isOpaque();
    CheckCancellation();

    // The strokes go straight into Dest when it has the picture's size.
    gfx::Surface own;
    if (dest.size() != source.size()) {
        own = gfx::Surface::make(source.size());
        if (own.isNull())
            return;
    }
    gfx::Surface& picture = own.isNull() ? dest : own;
    bool erase = true;
    if (preview) {
        picture.clearPixel(0);
    } else {
        const CanvasBackground background = ReadCanvasBackground();
        erase = background.erase;
        picture.clearPixel(erase && !hasAlpha ? 0xFFFFFFFFu : 0u);
        if (!erase && !background.under.isNull())
            picture.writeImage(background.under, 0, 0);
    }

    CheckCancellation();
    const StrokePassSettings settings = DeriveStrokeSettings(p1, p2, p3, p5, erase, preview);
    const int saturationShift = int(std::clamp<int64_t>(2 * int64_t(p4) - 100, -100, 100));
    CheckCancellation();

    platform::Random& rng = RunRandom();
    const StrokeField field = BuildStrokeField(photo, w, h, rng, preview);
    CheckCancellation();
    const std::array<BrushTipMask, 3> tips = LoadTips();
    CheckCancellation();
    if (erase)
        Underpaint(picture, photo, hasAlpha, field, tips[0], p5, preview, rng);

    StrokePasses(picture, photo, hasAlpha, field, tips, settings).paint(rng);
    CheckCancellation();
    SharpenSurface(gfx::Image(), picture, erase ? 40 : 10);
    if (saturationShift != 0)
        VibrancePop(picture.snapshot(), picture, 0, saturationShift, 0, 0, 100, false);
    if (hasAlpha)
        TakeSourceAlpha(picture, photo);

    if (!own.isNull()) {
        dest.clearPixel(0);
        dest.writeImage(own.snapshot(), 0, 0);
    }
    ReportFinished(dest, preview);
}

} // namespace pq
