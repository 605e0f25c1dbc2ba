#include "effects/painting/selective_mean.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <cstdlib>

namespace pq {
namespace {

constexpr int kRadius = 2;
constexpr int kMaxDistance = 35;
constexpr gfx::Pixel kSolidAlpha = 128;

inline int Channel(gfx::Pixel p, int shift)
{
    return int((p >> shift) & 0xFF);
}

gfx::Pixel MeanAround(const gfx::Image& source, int x, int y)
{
    const gfx::Pixel centre = source.pixel(x, y);
    const int cr = Channel(centre, 16), cg = Channel(centre, 8), cb = Channel(centre, 0);
    const int x0 = std::max(0, x - kRadius), x1 = std::min(source.width() - 1, x + kRadius);
    const int y0 = std::max(0, y - kRadius), y1 = std::min(source.height() - 1, y + kRadius);
    int sr = 0, sg = 0, sb = 0, count = 0;
    for (int ny = y0; ny <= y1; ++ny) {
        const gfx::Pixel* row = source.row(ny);
        for (int nx = x0; nx <= x1; ++nx) {
            const gfx::Pixel p = row[nx];
            if ((p >> 24) < kSolidAlpha)
                continue;
            const int r = Channel(p, 16), g = Channel(p, 8), b = Channel(p, 0);
            if (std::abs(r - cr) + std::abs(g - cg) + std::abs(b - cb) > kMaxDistance)
                continue;
            sr += r;
            sg += g;
            sb += b;
            ++count;
        }
    }
    // The centre always counts, so count is at least 1.
    return (centre & 0xFF000000u) | gfx::Pixel(sr / count) << 16 | gfx::Pixel(sg / count) << 8 |
           gfx::Pixel(sb / count);
}

} // namespace

std::vector<gfx::Pixel> SelectiveMean(const gfx::Image& source)
{
    const int w = source.width(), h = source.height();
    std::vector<gfx::Pixel> out(size_t(w) * size_t(h));
    platform::ParallelForRange(0, h, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* row = source.row(y);
            gfx::Pixel* dst = out.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                dst[x] = (row[x] >> 24) >= kSolidAlpha ? MeanAround(source, x, y) : row[x];
        }
    });
    return out;
}

} // namespace pq
