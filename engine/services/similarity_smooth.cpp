#include "engine/services/similarity_smooth.h"

#include "engine/runtime/progress.h"
#include "engine/services/similarity_smooth_rows.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

namespace pq {
namespace {

// Scratch memory, reused from earlier calls where it can be: every byte is
// written before it is read.
gfx::ScratchBuffer<uint8_t> Bytes(size_t n)
{
    gfx::ScratchBuffer<uint8_t> out(std::max<size_t>(n, 1));
    if (!out)
        throw std::bad_alloc();
    return out;
}

// Colour planes R, G, B of one picture, each width x height bytes.
struct ColourPlanes {
    gfx::ScratchBuffer<uint8_t> bytes;
    size_t plane = 0;

    explicit ColourPlanes(size_t pixels) : bytes(Bytes(pixels * 3)), plane(pixels) {}
    uint8_t* channel(int c) { return bytes.data() + size_t(c) * plane; }
    const uint8_t* channel(int c) const { return bytes.data() + size_t(c) * plane; }
};

template <typename RowOf>
void SplitRows(int width, int height, RowOf&& rowOf, ColourPlanes& colour, uint8_t* alpha)
{
    platform::ParallelForRange(0, height, 32, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* src = rowOf(y);
            const size_t base = size_t(y) * size_t(width);
            uint8_t* r = colour.channel(0) + base;
            uint8_t* g = colour.channel(1) + base;
            uint8_t* b = colour.channel(2) + base;
            for (int x = 0; x < width; ++x) {
                const gfx::Pixel p = src[x];
                r[x] = uint8_t(p >> 16);
                g[x] = uint8_t(p >> 8);
                b[x] = uint8_t(p);
                if (alpha)
                    alpha[base + size_t(x)] = uint8_t(p >> 24);
            }
        }
    });
}

// exp(-0.5 (dx^2 + dy^2) / sigma^2) for |dx|, |dy| <= radius; the centre is 1.
std::vector<float> SpatialKernel(int radius, float sigma)
{
    const int k = 2 * radius + 1;
    const double s2 = double(sigma) * double(sigma);
    std::vector<float> kernel(size_t(k) * size_t(k));
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int d2 = dx * dx + dy * dy;
            kernel[size_t(dy + radius) * size_t(k) + size_t(dx + radius)] =
                d2 == 0 ? 1.0f : float(std::exp(-0.5 * double(d2) / s2));
        }
    return kernel;
}

// exp(-v^2 / (2 sigma^2)) for v = 0..255; v = 0 weighs 1 for any sigma, a
// zero or undefined sigma leaves only v = 0.
void FillRangeTable(std::vector<float>& table, float sigma)
{
    const double two = 2.0 * double(sigma) * double(sigma);
    table[0] = 1.0f;
    for (int v = 1; v < 256; ++v)
        table[size_t(v)] = two > 0.0 ? float(std::exp(-double(v * v) / two)) : 0.0f;
}

} // namespace

void SimilaritySmoothSurface(gfx::Surface& surface, const gfx::Image& guideImage, int requestedRadius, int threshold,
                                int iterations, bool adaptive, float spatialSigma, float rangeSigma, int /*MaxThreads*/,
                                const std::function<void(float fraction)>& progress)
{
    if (surface.isNull() || surface.width() <= 0 || surface.height() <= 0 || iterations < 1)
        return;
    const int w = surface.width();
    const int h = surface.height();
    const size_t pixels = size_t(w) * size_t(h);
    const int radius = std::clamp(requestedRadius, 0, kMaxSmoothRadius);

    const gfx::ScratchBuffer<uint8_t> alpha = Bytes(pixels);
    ColourPlanes first(pixels);
    ColourPlanes second(pixels);
    const gfx::Surface& source = surface;
    SplitRows(w, h, [&](int y) { return source.row(y); }, first, alpha.data());

    // A guide of the surface's size steers every pass; one of another size
    // is replaced by the surface as it is now.
    std::optional<ColourPlanes> guide;
    const uint8_t* fixedGuide[3] = {};
    if (!guideImage.isNull()) {
        guide.emplace(pixels);
        if (guideImage.size() == surface.size())
            SplitRows(w, h, [&](int y) { return guideImage.row(y); }, *guide, nullptr);
        else
            std::memcpy(guide->channel(0), first.channel(0), pixels * 3);
        for (int c = 0; c < 3; ++c)
            fixedGuide[c] = guide->channel(c);
    }

    float sigma = std::isnan(spatialSigma) ? 0.0f : spatialSigma;
    if (double(radius) / 2.5 > double(sigma))
        sigma = float(std::max(0.5, double(radius) / 2.5));
    const std::vector<float> spatial = SpatialKernel(radius, sigma);
    std::vector<float> range(256, 1.0f);

    const int64_t t2 = int64_t(threshold) * int64_t(threshold);
    const int maxDistance2 = 3 * 255 * 255;

    smooth::PassPlanes pass;
    pass.width = w;
    pass.height = h;
    pass.radius = radius;
    pass.kernelWidth = 2 * radius + 1;
    pass.spatial = spatial.data();
    pass.threshold2 = int(std::min<int64_t>(t2, maxDistance2 + 1));
    pass.alpha = alpha.data();

    for (int n = 1; n <= iterations; ++n) {
        if (progress)
            progress(float(n) / float(iterations));
        if (adaptive) {
            FillRangeTable(range, rangeSigma * float(1.0 + 0.2 * double(n - 1)));
            pass.range = range.data();
        }
        ColourPlanes& in = n % 2 == 1 ? first : second;
        ColourPlanes& out = n % 2 == 1 ? second : first;
        for (int c = 0; c < 3; ++c) {
            pass.input[c] = in.channel(c);
            pass.guide[c] = fixedGuide[c] ? fixedGuide[c] : in.channel(c);
            pass.output[c] = out.channel(c);
        }
        platform::ParallelForRange(0, h, 8, [&](int y0, int y1) {
            CheckCancellation();
            smooth::SmoothRows(pass, y0, y1);
        });
    }

    const ColourPlanes& result = iterations % 2 == 1 ? second : first;
    uint8_t* const bits = surface.bits(); // detaches once, before the rows run
    const qsizetype stride = surface.stride();
    platform::ParallelForRange(0, h, 32, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const size_t base = size_t(y) * size_t(w);
            const uint8_t* r = result.channel(0) + base;
            const uint8_t* g = result.channel(1) + base;
            const uint8_t* b = result.channel(2) + base;
            const uint8_t* a = alpha.data() + base;
            auto* dst = reinterpret_cast<gfx::Pixel*>(bits + y * stride);
            for (int x = 0; x < w; ++x)
                dst[x] = gfx::Pixel(a[x]) << 24 | gfx::Pixel(r[x]) << 16 | gfx::Pixel(g[x]) << 8 | gfx::Pixel(b[x]);
        }
    });
}

} // namespace pq
