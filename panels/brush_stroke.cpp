#include "panels/brush_stroke.h"

#include "engine/runtime/effect_run.h"
#include "engine/runtime/effect_runtime.h"
#include "gfx/surface.h"
#include "platform/run_context.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace pq {
namespace {

// Sets the run's background image for one effect call and clears it again
// however the call ends.
class BackgroundFor {
public:
    BackgroundFor(EffectRunContext& run, const gfx::Image& image) : run_(run) { run_.backgroundImage = image; }
    ~BackgroundFor() { run_.backgroundImage = gfx::Image(); }
    BackgroundFor(const BackgroundFor&) = delete;
    BackgroundFor& operator=(const BackgroundFor&) = delete;

private:
    EffectRunContext& run_;
};

} // namespace

QRect BrushStrokeRegion(const QRect& maskBounds, QSize imageSize)
{
    const int w = imageSize.width();
    const int h = imageSize.height();
    // Edges as left, top, right, bottom (right and bottom exclusive).
    double left = std::max(0, maskBounds.left());
    double top = std::max(0, maskBounds.top());
    double right = std::min(w, maskBounds.left() + maskBounds.width());
    double bottom = std::min(h, maskBounds.top() + maskBounds.height());
    if (maskBounds.isEmpty() || right <= left || bottom <= top)
        return {};
    const double mx = w * 0.01 + 4;
    const double my = h * 0.01 + 4;
    left -= mx;
    right += mx;
    top -= my;
    bottom += my;
    const int x0 = std::max(0, int(std::floor(left)));
    const int y0 = std::max(0, int(std::floor(top)));
    const int rw = std::min(w - x0, int(std::ceil(right)) - x0);
    const int rh = std::min(h - y0, int(std::ceil(bottom)) - y0);
    if (rw <= 0 || rh <= 0)
        return {};
    return QRect(x0, y0, rw, rh);
}

gfx::Image CompositeBrushStroke(const gfx::Image& base, const gfx::Image& effect, const QImage& mask, QPoint origin,
                                float opacity)
{
    gfx::Surface out = gfx::Surface::fromImage(base);
    if (out.isNull())
        return {};
    const float o = std::clamp(std::isfinite(opacity) ? opacity : 0.0f, 0.0f, 1.0f);
    const QRect area = QRect(origin, effect.size()) & base.rect() & mask.rect();
    if (o <= 0.0f || area.isEmpty())
        return gfx::Image::adopt(std::move(out.qimage()));
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const gfx::Pixel* e = effect.row(y - origin.y()) - origin.x();
        const uchar* m = mask.constScanLine(y);
        gfx::Pixel* d = out.row(y);
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!m[x])
                continue;
            // The effect through the mask, then source-over at the opacity.
            const float k = m[x] / 255.0f * o;
            const gfx::Pixel s = e[x];
            const gfx::Pixel b = d[x];
            const float keep = 1.0f - qAlpha(s) / 255.0f * k;
            const auto mix = [&](int sc, int bc) {
                return std::clamp(int(std::nearbyint(sc * k + bc * keep)), 0, 255);
            };
            const int a = mix(qAlpha(s), qAlpha(b));
            const int r = std::min(a, mix(qRed(s), qRed(b)));
            const int g = std::min(a, mix(qGreen(s), qGreen(b)));
            const int bl = std::min(a, mix(qBlue(s), qBlue(b)));
            d[x] = qRgba(r, g, bl, a);
        }
    }
    // The copy becomes the result without another.
    return gfx::Image::adopt(std::move(out.qimage()));
}

gfx::Image ApplyBrushStroke(const BrushStrokeJob& job)
{
    if (job.base.isNull() || job.source.isNull() || job.mask.isNull())
        return {};
    const QRect region = BrushStrokeRegion(job.maskBounds, job.source.size());
    if (region.isEmpty())
        return {};
    const gfx::Image crop = job.source.copyRect(region);
    gfx::Surface dest = gfx::Surface::make(region.size());
    if (crop.isNull() || dest.isNull())
        throw std::bad_alloc();
    dest.clear(Qt::transparent);
    dest.writeImage(crop, 0, 0);

    std::shared_ptr<EffectRunContext> own;
    EffectRunContext* run = CurrentRun();
    if (!run) {
        own = EffectRunContext::begin(false);
        run = own.get();
    }
    platform::ScopedRunContext scope(run);
    {
        const BackgroundFor background(*run, job.base.copyRect(region & job.base.rect()));
        const auto& p = job.params;
        ProcessEffectOnSurface(crop, dest, job.effect, p[0], p[1], p[2], p[3], p[4], false);
    }
    gfx::Image effectImage = dest.snapshot();
    ApplyStoredTexture(effectImage, job.texture);
    return CompositeBrushStroke(job.base, effectImage, job.mask, region.topLeft(), job.opacity);
}

} // namespace pq
