#include "effects/painting/watercolor_2/wash_finishing.h"

#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstdlib>

namespace pq {
namespace {

constexpr int kRowGrain = 16;
constexpr int kMinAlpha = 10;
constexpr int kEdgeFloor = 8;

inline int Channel(gfx::Pixel p, int shift)
{
    return int((p >> shift) & 0xFF);
}

inline gfx::Pixel Pack(int a, const int c[3])
{
    return gfx::Pixel(a) << 24 | gfx::Pixel(c[0]) << 16 | gfx::Pixel(c[1]) << 8 | gfx::Pixel(c[2]);
}

// Sobel of one channel of the smoothed source around i.
inline void Sobel(const gfx::Pixel* up, const gfx::Pixel* mid, const gfx::Pixel* down, int x, int shift, int& gx,
                  int& gy)
{
    auto c = [&](const gfx::Pixel* row, int dx) { return Channel(row[x + dx], shift); };
    gx = (c(up, 1) + 2 * c(mid, 1) + c(down, 1)) - (c(up, -1) + 2 * c(mid, -1) + c(down, -1));
    gy = (c(down, -1) + 2 * c(down, 0) + c(down, 1)) - (c(up, -1) + 2 * c(up, 0) + c(up, 1));
}

bool StrongNeighbours(const std::vector<uint16_t>& edges, size_t i, int w)
{
    int strong = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if ((dx != 0 || dy != 0) && edges[size_t(int64_t(i) + int64_t(dy) * w + dx)] >= kEdgeFloor)
                ++strong;
    return strong >= 3;
}

} // namespace

void FillUnpainted(const WashPlanes& planes, const WashPaper& paper, gfx::Surface& canvas)
{
    const int w = planes.w;
    platform::ParallelForRange(0, planes.h, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            gfx::Pixel* row = canvas.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                if (!planes.solid(i) || planes.painted[i])
                    continue;
                const int a = planes.alpha[i], top = std::min(254, a), d = paper.shift(x, y);
                const gfx::Pixel s = planes.smooth[i];
                const int c[3] = {std::clamp(Channel(s, 16) + d, 0, top), std::clamp(Channel(s, 8) + d, 0, top),
                                  std::clamp(Channel(s, 0) + d, 0, top)};
                row[x] = Pack(a, c);
            }
        }
    });
}

std::vector<uint16_t> WashEdgeMap(const WashPlanes& planes, int edgeMax)
{
    const int w = planes.w, h = planes.h;
    std::vector<uint16_t> edges(size_t(w) * size_t(h), 0);
    platform::ParallelForRange(1, h - 1, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* up = planes.smooth.data() + size_t(y - 1) * size_t(w);
            const gfx::Pixel* mid = up + w;
            const gfx::Pixel* down = mid + w;
            for (int x = 1; x < w - 1; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                if (!planes.solid(i) || !planes.solid(i - 1) || !planes.solid(i + 1) || !planes.solid(i - size_t(w)) ||
                    !planes.solid(i + size_t(w)))
                    continue;
                int sum = 0;
                for (const int shift : {16, 8, 0}) {
                    int gx = 0, gy = 0;
                    Sobel(up, mid, down, x, shift, gx, gy);
                    sum += std::abs(gx) + std::abs(gy);
                }
                const gfx::Pixel c = mid[x];
                const int level = (Channel(c, 16) + Channel(c, 8) + Channel(c, 0)) / 3;
                const int e = (sum / 6) * (356 - level) / 256;
                edges[i] = uint16_t(std::min(e, edgeMax));
            }
        }
    });
    return edges;
}

void FinishWashes(const WashPlanes& planes, const std::vector<uint16_t>& edges, const FinishSettings& s,
                  gfx::Surface& canvas)
{
    const int w = planes.w, h = planes.h;
    const int64_t lift = s.brightLevel - 127;
    const float factor = float(s.saturationShift) / 100.0f + 1.0f;
    platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            gfx::Pixel* row = canvas.row(y);
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                if (!s.erase && !planes.painted[i])
                    continue;
                const gfx::Pixel p = row[x];
                const int a = int(p >> 24);
                int c[3] = {Channel(p, 16), Channel(p, 8), Channel(p, 0)};
                if (lift != 0 && a >= kMinAlpha)
                    for (int& v : c)
                        v = std::min(a, platform::ClampByte(int64_t(v) + lift));
                if (s.edges && x >= 1 && x < w - 1 && y >= 1 && y < h - 1 && edges[i] >= kEdgeFloor &&
                    StrongNeighbours(edges, i, w))
                    for (int& v : c)
                        v = std::max(0, v - int(edges[i]));
                if (s.saturationShift != 0 && a >= kMinAlpha) {
                    const float level = gfx::Luma601Float(float(c[0]), float(c[1]), float(c[2]));
                    for (int& v : c)
                        v = std::min(a, platform::ClampByte(platform::Round(level + (float(v) - level) * factor)));
                }
                row[x] = Pack(a, c);
            }
        }
    });
}

} // namespace pq
