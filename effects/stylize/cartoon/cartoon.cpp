// Cartoon smooths and colours here; its ink lines and settings are ink.

#include "effects/stylize/cartoon/cartoon.h"

#include "effects/stylize/cartoon/ink.h"
#include "engine/runtime/effect_api.h"
#include "engine/runtime/engine_host.h"
#include "engine/services/similarity_smooth.h"
#include "gfx/filters.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <new>

namespace pq {
namespace {

using stylize::CartoonSettings;
using stylize::Plane;

// The smoothing's colour threshold and spatial sigma.
constexpr int kSmoothThreshold = 30;
constexpr float kSmoothSpatialSigma = 1.5f;

struct Rgb {
    int r, g, b;
};

// Straight colour of a stored pixel (transparent counts as black).
Rgb Straight(gfx::Pixel p)
{
    const int a = int(p >> 24);
    if (a == 0)
        return {0, 0, 0};
    const int r = int((p >> 16) & 255), g = int((p >> 8) & 255), b = int(p & 255);
    if (a == 255)
        return {r, g, b};
    return {platform::ClampByte(r * 255 / a), platform::ClampByte(g * 255 / a), platform::ClampByte(b * 255 / a)};
}

int DistanceSq(Rgb a, Rgb b)
{
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

gfx::Pixel Pack(int a, int r, int g, int b)
{
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// Saturation and brightness raised, on the straight colour.
gfx::Pixel Boost(gfx::Pixel p, const CartoonSettings& s)
{
    const int a = int(p >> 24);
    if (a == 0)
        return p;
    Rgb c = Straight(p);
    const int f = (c.r + c.g + c.b) / 3;
    auto lift = [&](int v) {
        v = platform::ClampByte(platform::Round(float(f) + float(v - f) * s.satBoost));
        return platform::ClampByte(platform::Round(float(v) * s.lumiBoost));
    };
    c = {lift(c.r), lift(c.g), lift(c.b)};
    if (a < 255)
        c = {c.r * a / 255, c.g * a / 255, c.b * a / 255};
    return Pack(a, c.r, c.g, c.b);
}

// Shows the smoothed picture while the lines are found, on full runs of the
// workspace (not in scripts or brush strokes).
void ShowSmoothed(const gfx::Surface& smooth)
{
    bool registered = false;
    SyncWithUi([&] {
        const EngineHost* host = InstalledEngineHost();
        registered = host && host->runningEffect() != -1;
    });
    if (registered)
        ShowIntermediateImage(smooth.snapshot(), -1, Delivery::Synchronous);
}

// The colour layer: the photo pre-blurred and smoothed.
gfx::Surface SmoothedColours(const gfx::Image& source, const CartoonSettings& s, bool preview)
{
    const gfx::Image blurred = gfx::GaussianBlur(source, s.preBlurSigma, s.preBlurSigma, gfx::EdgeMode::Clamp);
    gfx::Surface smooth = gfx::Surface::fromImage(blurred);
    if (smooth.isNull())
        throw std::bad_alloc();
    SimilaritySmoothSurface(smooth, gfx::Image(), s.smoothRadius, kSmoothThreshold, s.smoothIterations, true,
                            kSmoothSpatialSigma, s.rangeSigma, 0, [&](float fraction) {
                                if (preview)
                                    SafeUpdatePreview(smooth, platform::Round(50.0 * fraction) + 10);
                                else
                                    SafeUpdateProgress(platform::Round(48.0 * fraction) + 10);
                            });
    ReportProgress(smooth, preview, 62);
    CheckCancellation();
    return smooth;
}

} // namespace

void Cartoon(const gfx::Image& source, gfx::Surface& dest, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    if (source.isNull() || dest.isNull())
        return;
    const int w = source.width(), h = source.height();
    if (w < 2 || h < 2 || dest.size() != source.size())
        return;
    if (!preview)
        SafeUpdateProgress(5);
    const CartoonSettings s = stylize::DeriveCartoonSettings(w, h, p1, p2, p3, p4, p5, preview);
    CheckCancellation();
    if (!preview)
        SafeUpdateProgress(8);

    // With "Erase background" off a full run merges into the current result.
    bool doClear = true;
    gfx::Image base;
    if (!preview) {
        const CanvasBackground background = ReadCanvasBackground();
        doClear = background.erase;
        if (!doClear && background.under.size() == source.size())
            base = background.under;
    }

    gfx::Surface colour;
    Plane<gfx::Pixel> before;
    if (p4 != 0) {
        colour = SmoothedColours(source, s, preview);
        if (!preview && !doClear) {
            before = Plane<gfx::Pixel>(size_t(w) * size_t(h));
            for (int y = 0; y < h; ++y)
                std::copy_n(colour.row(y), w, before.data() + size_t(y) * size_t(w));
        }
        if (!preview)
            ShowSmoothed(colour);
    } else {
        colour = gfx::Surface::make(w, h);
        if (colour.isNull())
            throw std::bad_alloc();
    }
    if (p4 > 0) {
        platform::ParallelForRange(0, h, 16, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                gfx::Pixel* row = colour.row(y);
                for (int x = 0; x < w; ++x)
                    row[x] = Boost(row[x], s);
            }
        });
    }
    if (!preview)
        SafeUpdateProgress(67);
    CheckCancellation();

    const Plane<uint8_t> ink = stylize::CartoonInk(source, s, [&](int stage) {
        if (!preview)
            SafeUpdateProgress(stage);
        CheckCancellation();
    });

    // Ink over the colours, on the photo's own alpha.
    platform::ParallelForRange(0, h, 16, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const gfx::Pixel* src = source.row(y);
            const uint8_t* k = ink.data() + size_t(y) * size_t(w);
            gfx::Pixel* row = colour.row(y);
            for (int x = 0; x < w; ++x) {
                const int a = int(src[x] >> 24);
                if (a == 0)
                    continue;
                const int keep = 255 - k[x];
                if (p4 == 0) {
                    const int g = keep * a / 255;
                    row[x] = Pack(a, g, g, g);
                } else if (k[x] > 0) {
                    const gfx::Pixel c = row[x];
                    row[x] = Pack(int(c >> 24), int((c >> 16) & 255) * keep / 255, int((c >> 8) & 255) * keep / 255,
                                  int(c & 255) * keep / 255);
                }
            }
        }
    });
    if (!preview)
        SafeUpdateProgress(94);
    CheckCancellation();

    dest.clearPixel(0);
    if (doClear) {
        for (int y = 0; y < h; ++y)
            std::copy_n(colour.row(y), w, dest.row(y));
    } else {
        // Uninked pixels keep the current result unless the new colour is
        // strictly closer to the photo.
        const bool haveBefore = before.size() > 0;
        platform::ParallelForRange(0, h, 16, [&](int lo, int hi) {
            for (int y = lo; y < hi; ++y) {
                const gfx::Pixel* src = source.row(y);
                const gfx::Pixel* composed = colour.row(y);
                const gfx::Pixel* old = base.isNull() ? nullptr : base.row(y);
                const uint8_t* k = ink.data() + size_t(y) * size_t(w);
                const gfx::Pixel* fresh = haveBefore ? before.data() + size_t(y) * size_t(w) : nullptr;
                gfx::Pixel* out = dest.row(y);
                for (int x = 0; x < w; ++x) {
                    const gfx::Pixel under = old ? old[x] : 0;
                    out[x] = under;
                    if ((src[x] >> 24) == 0)
                        continue;
                    if (k[x] > 0) {
                        out[x] = composed[x];
                    } else if (fresh) {
                        const Rgb photo = Straight(src[x]);
                        if (DistanceSq(Straight(fresh[x]), photo) < DistanceSq(Straight(under), photo))
                            out[x] = composed[x];
                    }
                }
            }
        });
    }
    if (preview) {
        ReportFinished(dest, true);
    } else {
        gLastProgressTick = 0;
        SafeUpdateProgress(100);
    }
}

} // namespace pq
