#include "effects/photolab/film_look.h"

#include "engine/runtime/effect_api.h"
#include "effects/photolab/photolab_pixels.h"
#include "engine/repository/image_repository.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

namespace pq::film {

Vignette::Vignette(int width, int height, float amount) : amount_(amount)
{
    cx_ = float(width) * 0.5f;
    cy_ = float(height) * 0.5f;
    if (!active())
        return;
    const float reach = std::sqrt(cx_ * cx_ + cy_ * cy_);
    inner_ = reach * (1.0f - amount_ * 0.6f);
    inner2_ = inner_ * inner_;
    band_ = std::max(reach - inner_, 0.001f);
    depth_ = amount_ * 0.85f;
}

float Vignette::factor(int x, int y) const
{
    const float dx = float(x) - cx_;
    const float dy = float(y) - cy_;
    const float d2 = dx * dx + dy * dy;
    if (d2 <= inner2_)
        return 1.0f;
    const float t = std::min((std::sqrt(d2) - inner_) / band_, 1.0f);
    return 1.0f - t * t * depth_;
}

void Vignette::factors(int y, int width, float* out) const
{
    for (int x = 0; x < width; ++x)
        out[x] = factor(x, y);
}

int Vignette::apply(int channel, float factor)
{
    return int(RoundSmall(float(channel) * factor));
}

bool WalkRows(int height, bool preview, const std::function<void(int, int)>& rows)
{
    constexpr int kBand = 64;
    for (int y0 = 0; y0 < height; y0 += kBand) {
        if (!preview) {
            if (IsEffectCancelled())
                return false;
            SafeUpdateProgress(int(int64_t(y0) * 100 / height));
        }
        platform::ParallelForRange(y0, std::min(height, y0 + kBand), 4, rows);
    }
    return true;
}

void ClampPercents(int& p1, int& p2, int& p3, int& p4, int& p5)
{
    for (int* p : {&p1, &p2, &p3, &p4, &p5})
        *p = std::clamp(*p, 0, 100);
}

void ToneRows(const gfx::Image& source, const gfx::Image& base, gfx::Surface& dest, bool preview,
              const std::function<void(gfx::Pixel* row, int y, int width)>& tone)
{
    // Dest as the base would leave it: cleared where the base does not
    // cover it, the base's rows copied in. Each row is copied just before
    // it is toned, while it is in the cache.
    if (base.isNull() || base.width() < dest.width() || base.height() < dest.height())
        dest.clearPixel(0);
    const int copyW = base.isNull() ? 0 : std::min(base.width(), dest.width());
    const int copyH = base.isNull() ? 0 : std::min(base.height(), dest.height());
    uint8_t* const bits = dest.bits();
    const qsizetype stride = dest.stride();
    auto copyRow = [&](int y) {
        if (y < copyH && copyW > 0)
            std::memcpy(bits + y * stride, base.row(y), size_t(copyW) * sizeof(gfx::Pixel));
    };
    auto copyRows = [&](int y0, int y1) {
        platform::ParallelForRange(y0, std::max(y0, y1), 64, [&](int a, int b) {
            for (int y = a; y < b; ++y)
                copyRow(y);
        });
    };
    const int w = std::min(source.width(), dest.width());
    const int h = std::min(source.height(), dest.height());
    if (w <= 0 || h <= 0) {
        copyRows(0, copyH);
        return;
    }
    copyRows(h, copyH);
    // Bands run in order, each to its end: the rows below the furthest row
    // reached are done.
    std::atomic<int> reached{0};
    const bool finished = WalkRows(h, preview, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            copyRow(y);
            tone(reinterpret_cast<gfx::Pixel*>(bits + y * stride), y, w);
        }
        int seen = reached.load();
        while (seen < y1 && !reached.compare_exchange_weak(seen, y1)) {
        }
    });
    if (finished)
        ReportFinished(dest, preview);
    else
        copyRows(reached.load(), std::min(h, copyH));
}

gfx::Image OldFilmTexture()
{
    return Repository().sharedImage(&ImageRepository::oldFilmTexture);
}

int TextureMean(const gfx::Image& texture)
{
    if (texture.isNull() || texture.width() <= 0 || texture.height() <= 0)
        return 0;
    static std::mutex mutex;
    static uint64_t cachedId = 0;
    static int cachedMean = 0;
    {
        std::lock_guard lock(mutex);
        if (cachedId == texture.id())
            return cachedMean;
    }
    uint64_t sum = 0;
    for (int y = 0; y < texture.height(); ++y) {
        const gfx::Pixel* row = texture.row(y);
        for (int x = 0; x < texture.width(); ++x)
            sum += uint64_t(FilmGrey(row[x]));
    }
    const int mean = int(sum / (uint64_t(texture.width()) * uint64_t(texture.height())));
    std::lock_guard lock(mutex);
    cachedId = texture.id();
    cachedMean = mean;
    return mean;
}

} // namespace pq::film
