#include "effects/painting/watercolor_flow/paint.h"

#include "effects/painting/watercolor_flow/noise.h"
#include "engine/runtime/effect_api.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pq::flow {
namespace {

constexpr int kRowsPerBlock = 64;
constexpr float kNoBin = 1000.0f;
constexpr float kMergeDistance = 0.55f;

struct Rgb {
    float r = 0, g = 0, b = 0;
};

inline uint8_t Byte(float v, float scale)
{
    return uint8_t(std::clamp(platform::Round(scale * v), 0, 255));
}

inline float Chroma(const Rgb& c)
{
    return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b});
}

// The filtered source at a bent position, bilinear, 0..1.
Rgb SampleSource(const FlowPlanes& planes, float wx, float wy)
{
    const int ix = std::clamp(int(wx), 0, planes.w - 2), iy = std::clamp(int(wy), 0, planes.h - 2);
    const float tx = std::clamp(wx - float(ix), 0.0f, 1.0f), ty = std::clamp(wy - float(iy), 0.0f, 1.0f);
    const size_t i = size_t(iy) * size_t(planes.w) + size_t(ix);
    const gfx::Pixel p00 = planes.filtered[i], p10 = planes.filtered[i + 1];
    const gfx::Pixel p01 = planes.filtered[i + size_t(planes.w)], p11 = planes.filtered[i + size_t(planes.w) + 1];
    auto mix = [&](int shift) {
        auto c = [shift](gfx::Pixel p) { return float((p >> shift) & 0xFF) / 255.0f; };
        const float top = c(p00) + (c(p10) - c(p00)) * tx;
        const float bottom = c(p01) + (c(p11) - c(p01)) * tx;
        return top + (bottom - top) * ty;
    };
    return {mix(16), mix(8), mix(0)};
}

void PaintPixel(FlowPlanes& planes, const FlowGrid& grid, const Palette& palette, const std::vector<int>& used,
                const FlowSettings& s, int x, int y)
{
    const size_t i = size_t(y) * size_t(planes.w) + size_t(x);
    const float c = float(grid.cellSize);
    const float fx = float(x), fy = float(y);
    const float e = grid.sample(grid.edge, fx / c, fy / c);
    const float flat0 = std::clamp(1.0f - 1.6f * e, 0.0f, 1.0f);
    const float flat = flat0 * flat0;
    const float wobble = 0.6f * flat + 0.4f;
    const float wx = fx + (FractalNoise(fx * s.warpFrequency, fy * s.warpFrequency, 41) - 0.5f) * 2.0f * s.warp * flat +
                     (ValueNoise(0.055f * fx, 0.055f * fy, 43) - 0.5f) * 2.4f * wobble;
    const float wy = fy +
                     (FractalNoise(fx * s.warpFrequency + 91.0f, fy * s.warpFrequency + 57.0f, 42) - 0.5f) * 2.0f *
                         s.warp * flat +
                     (ValueNoise(0.055f * fx + 7.0f, 0.055f * fy + 13.0f, 44) - 0.5f) * 2.4f * wobble;
    const Rgb src = SampleSource(planes, wx, wy);
    const float kx = std::clamp(wx / c, 0.0f, float(grid.gw - 1)), ky = std::clamp(wy / c, 0.0f, float(grid.gh - 1));
    Rgb k{grid.sample(grid.smoothed[0], kx, ky), grid.sample(grid.smoothed[1], kx, ky),
          grid.sample(grid.smoothed[2], kx, ky)};
    const float apart = std::fabs(src.r - k.r) + std::fabs(src.g - k.g) + std::fabs(src.b - k.b);
    const float t = std::max(e, std::clamp(2.5f * apart - 0.15f, 0.0f, 1.0f));
    k = {k.r + (src.r - k.r) * t, k.g + (src.g - k.g) * t, k.b + (src.b - k.b) * t};
    const float chroma = Chroma(k);

    float d1 = kNoBin, d2 = kNoBin;
    int best = -1, second = -1;
    for (const int j : used) {
        const PaletteEntry& p = palette[size_t(j)];
        const float d = std::fabs(p.r - k.r) + std::fabs(p.g - k.g) + std::fabs(p.b - k.b) +
                        0.6f * std::fabs(p.chroma - chroma);
        if (d < d1) {
            d2 = d1;
            second = best;
            d1 = d;
            best = j;
        } else if (d < d2) {
            d2 = d;
            second = j;
        }
    }
    if (best < 0)
        return;
    const PaletteEntry& b = palette[size_t(best)];
    Rgb pig{b.r, b.g, b.b};
    float density = b.density;
    if (second >= 0) {
        const PaletteEntry& o = palette[size_t(second)];
        const float u = std::clamp((d2 - d1) / 0.1f, 0.0f, 1.0f);
        const float w = 0.5f + 0.5f * u;
        pig = {w * pig.r + (1.0f - w) * o.r, w * pig.g + (1.0f - w) * o.g, w * pig.b + (1.0f - w) * o.b};
        density = w * density + (1.0f - w) * o.density;
    }
    pig = {pig.r + (k.r - pig.r) * 0.25f, pig.g + (k.g - pig.g) * 0.25f, pig.b + (k.b - pig.b) * 0.25f};
    if (e > 0.02f) {
        const float pull = e * (0.5f * s.detail + 0.1f);
        pig = {pig.r + (src.r - pig.r) * pull, pig.g + (src.g - pig.g) * pull, pig.b + (src.b - pig.b) * pull};
    }
    planes.pigment[0][i] = Byte(pig.r, 255.0f);
    planes.pigment[1][i] = Byte(pig.g, 255.0f);
    planes.pigment[2][i] = Byte(pig.b, 255.0f);
    planes.density[i] = Byte(density, 160.0f);
    planes.margin[i] = second >= 0 ? Byte(d2 - d1, 800.0f) : 255;
    planes.index[i] = uint8_t(best);
}

} // namespace

void LayPigments(FlowPlanes& planes, const FlowGrid& grid, const Palette& palette, const FlowSettings& s,
                 bool preview)
{
    std::vector<int> used;
    for (int j = 0; j < kBins; ++j)
        if (palette[size_t(j)].count > 0)
            used.push_back(j);
    for (auto& p : planes.pigment)
        p.assign(planes.size(), 0);
    planes.density.assign(planes.size(), 0);
    planes.margin.assign(planes.size(), 0);
    planes.index.assign(planes.size(), kUnpainted);
    for (int block = 0; block < planes.h; block += kRowsPerBlock) {
        CheckCancellation();
        if (!preview)
            SafeUpdateProgress(20 + int(52 * int64_t(block) / planes.h));
        platform::ParallelForRange(block, std::min(planes.h, block + kRowsPerBlock), 4, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < planes.w; ++x)
                    if (planes.paintable(size_t(y) * size_t(planes.w) + size_t(x)))
                        PaintPixel(planes, grid, palette, used, s, x, y);
        });
    }
    CheckCancellation();
    if (!preview)
        SafeUpdateProgress(72);
}

void AbsorbIslands(FlowPlanes& planes, const Palette& palette, int64_t maxSize)
{
    if (maxSize <= 1)
        return;
    const int w = planes.w, h = planes.h;
    std::vector<uint8_t> visited(planes.size(), 0);
    std::vector<int> stack;
    std::vector<int> region;
    region.reserve(size_t(std::min<int64_t>(maxSize + 1, int64_t(planes.size()))));
    std::array<int, kBins> bordering{};
    for (size_t start = 0; start < planes.size(); ++start) {
        const uint8_t own = planes.index[start];
        if (visited[start] || own == kUnpainted)
            continue;
        bordering.fill(0);
        region.clear();
        int64_t count = 0;
        visited[start] = 1;
        stack.push_back(int(start));
        while (!stack.empty()) {
            const int i = stack.back();
            stack.pop_back();
            if (++count <= maxSize)
                region.push_back(i);
            const int x = i % w, y = i / w;
            auto look = [&](int j) {
                const uint8_t other = planes.index[size_t(j)];
                if (other == own) {
                    if (!visited[size_t(j)]) {
                        visited[size_t(j)] = 1;
                        stack.push_back(j);
                    }
                } else if (other != kUnpainted) {
                    ++bordering[other];
                }
            };
            if (x > 0)
                look(i - 1);
            if (x < w - 1)
                look(i + 1);
            if (y > 0)
                look(i - w);
            if (y < h - 1)
                look(i + w);
        }
        if (count > maxSize)
            continue;
        int bin = -1;
        for (int j = 0; j < kBins; ++j)
            if (bordering[size_t(j)] > 0 && (bin < 0 || bordering[size_t(j)] > bordering[size_t(bin)]))
                bin = j;
        if (bin < 0)
            continue;
        const PaletteEntry& to = palette[size_t(bin)];
        const PaletteEntry& from = palette[own];
        if (std::fabs(to.r - from.r) + std::fabs(to.g - from.g) + std::fabs(to.b - from.b) > kMergeDistance)
            continue;
        const uint8_t r = Byte(to.r, 255.0f), g = Byte(to.g, 255.0f), b = Byte(to.b, 255.0f);
        const uint8_t density = Byte(to.density, 160.0f);
        for (const int i : region) {
            planes.index[size_t(i)] = uint8_t(bin);
            planes.pigment[0][size_t(i)] = r;
            planes.pigment[1][size_t(i)] = g;
            planes.pigment[2][size_t(i)] = b;
            planes.density[size_t(i)] = density;
            planes.margin[size_t(i)] = 255;
        }
    }
}

} // namespace pq::flow
