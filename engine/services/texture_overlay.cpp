#include "engine/services/texture_overlay.h"

#include "gfx/luma.h"
#include "gfx/surface.h"
#include "platform/numeric.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>

namespace pq {

namespace {

// A few recent grids: the stored texture, the one being chosen in the
// selector, a script's texture.
constexpr size_t kCachedGrids = 4;

struct GridCache {
    std::mutex mutex;
    std::vector<std::pair<uint64_t, std::shared_ptr<const TextureLuminance>>> entries; // most recent last
};

GridCache& SharedGridCache()
{
    static GridCache cache;
    return cache;
}

std::shared_ptr<const TextureLuminance> Measure(const gfx::Image& texture)
{
    auto grid = std::make_shared<TextureLuminance>();
    if (texture.isNull() || texture.width() <= 0 || texture.height() <= 0)
        return grid;
    const int w = texture.width(), h = texture.height();
    grid->width = w;
    grid->height = h;
    grid->values.resize(size_t(w) * size_t(h));
    std::vector<int64_t> rowSums(static_cast<size_t>(h));
    platform::ParallelFor(0, h, [&](int y) {
        const gfx::Pixel* row = texture.row(y);
        uint8_t* out = grid->values.data() + size_t(y) * size_t(w);
        int64_t sum = 0;
        for (int x = 0; x < w; ++x) {
            const gfx::Pixel p = row[x];
            const int l = platform::Round(gfx::Luma601((p >> 16) & 255, (p >> 8) & 255, p & 255));
            out[x] = uint8_t(l);
            sum += l;
        }
        rowSums[size_t(y)] = sum;
    });
    int64_t total = 0;
    for (int64_t s : rowSums)
        total += s;
    grid->mean = int(total / (int64_t(w) * int64_t(h)));
    return grid;
}

// One draw of the process-wide generator, for callers outside any run.
int ProcessRandom(int n)
{
    static std::mutex mutex;
    static platform::Random random(0);
    std::lock_guard<std::mutex> lock(mutex);
    return random.random(n);
}

void ApplyTexture(gfx::Image& image, const gfx::Image& texture, int strength, float scale,
                  const std::function<int(int)>& drawOffset);

} // namespace

IntGrid TextureLuminance::rows() const
{
    IntGrid out(static_cast<size_t>(height), std::vector<int>(static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out[size_t(y)][size_t(x)] = at(x, y);
    return out;
}

std::shared_ptr<const TextureLuminance> TextureLuminanceGrid(const gfx::Image& texture)
{
    if (texture.isNull())
        return Measure(texture);
    GridCache& cache = SharedGridCache();
    const uint64_t id = texture.id();
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it)
            if (it->first == id) {
                auto entry = *it;
                cache.entries.erase(it);
                cache.entries.push_back(entry);
                return entry.second;
            }
    }
    // Measured outside the lock; two threads may measure the same texture
    // once each, which is harmless.
    auto grid = Measure(texture);
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.entries.size() >= kCachedGrids)
        cache.entries.erase(cache.entries.begin());
    cache.entries.emplace_back(id, grid);
    return grid;
}

void ApplyCustomTexture(gfx::Image& image, const gfx::Image& texture, int strength, float scale, platform::Random& rng)
{
    ApplyTexture(image, texture, strength, scale, [&rng](int n) { return rng.random(n); });
}

void ApplyCustomTexture(gfx::Image& image, const gfx::Image& texture, int strength, float scale)
{
    if (platform::RunContext* run = platform::CurrentRunContext()) {
        ApplyCustomTexture(image, texture, strength, scale, run->rng);
        return;
    }
    ApplyTexture(image, texture, strength, scale, ProcessRandom);
}

void PressTexture(gfx::Surface& surface, const TextureLuminance& grid, double strength, float scale, int phase)
{
    const int tW = grid.width, tH = grid.height;
    if (surface.isNull() || tW <= 0 || tH <= 0)
        return;
    const TextureLuminance& g = grid;
    const double k = strength / 100.0;
    const int off = std::max(phase, 0);
    const double s = (scale > 0.f && std::isfinite(scale)) ? double(scale)
                                                            : (std::isinf(scale) && scale > 0.f ? 1e9 : kMinTextureScale);
    // Periods beyond any image size behave alike; keep them within int.
    auto period = [&](int t) {
        const double p = std::nearbyint(double(t) * s);
        return p < 1.0 ? 1 : (p > double(1 << 30) ? (1 << 30) : int(p));
    };
    const int periodX = period(tW);
    const int periodY = period(tH);
    const int w = surface.width(), h = surface.height();
    const int mean = g.mean;
    platform::ParallelFor(0, h, [&](int y) {
        gfx::Pixel* row = surface.row(y);
        const double v = double(int((int64_t(y) + off) % periodY)) / s;
        const int y0 = int(int64_t(v) % tH);
        const int y1 = (y0 + 1) % tH;
        const double fy = v - std::floor(v);
        for (int x = 0; x < w; ++x) {
            const gfx::Pixel p = row[x];
            const int a = int(p >> 24);
            if (a == 0)
                continue;
            const double u = double(int((int64_t(x) + off) % periodX)) / s;
            const int x0 = int(int64_t(u) % tW);
            const int x1 = (x0 + 1) % tW;
            const double fx = u - std::floor(u);
            const double l = (g.at(x0, y0) * (1.0 - fx) + g.at(x1, y0) * fx) * (1.0 - fy) +
                             (g.at(x0, y1) * (1.0 - fx) + g.at(x1, y1) * fx) * fy;
            const double d = k * double(mean - platform::Round(l));
            // A stored colour above its alpha is no valid premultiplied
            // pixel, so each channel stops at the alpha.
            auto shift = [&](int c) {
                const double moved = std::clamp(double(c) + d, 0.0, 255.0);
                return std::min(platform::Round(moved), a);
            };
            const int r = shift(int((p >> 16) & 255));
            const int gg = shift(int((p >> 8) & 255));
            const int b = shift(int(p & 255));
            row[x] = gfx::Pixel(a) << 24 | gfx::Pixel(r) << 16 | gfx::Pixel(gg) << 8 | gfx::Pixel(b);
        }
    });
}

namespace {

void ApplyTexture(gfx::Image& image, const gfx::Image& texture, int strength, float scale,
                  const std::function<int(int)>& drawOffset)
{
    if (image.isNull() || texture.isNull() || texture.width() <= 0 || texture.height() <= 0)
        return;
    const std::shared_ptr<const TextureLuminance> grid = TextureLuminanceGrid(texture);
    if (grid->width == 0 || grid->height == 0)
        return;
    const int off = drawOffset(std::min(grid->width, grid->height));
    gfx::Surface surface = gfx::Surface::fromImage(image);
    if (surface.isNull())
        return;
    PressTexture(surface, *grid, strength, scale, off);
    image = surface.snapshot();
}

} // namespace

} // namespace pq
