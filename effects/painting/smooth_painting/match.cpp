#include "effects/painting/smooth_painting/match.h"

#include "effects/painting/smooth_painting/lanes.h"

#include "effects/shared/stamp_cell.h"
#include "effects/shared/stamp_draw.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace pq {
namespace {

inline int R(gfx::Pixel p) { return int((p >> 16) & 255u); }
inline int G(gfx::Pixel p) { return int((p >> 8) & 255u); }
inline int B(gfx::Pixel p) { return int(p & 255u); }
inline int A(gfx::Pixel p) { return int(p >> 24); }
inline int Grey(gfx::Pixel p) { return (R(p) + G(p) + B(p)) / 3; }

uint32_t RowSeed(uint32_t seed, int row)
{
    uint32_t h = seed ^ (uint32_t(row) * 0x9E3779B9u);
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    return h;
}

// The orientations pixel (x, y) tries, in order: five around its edge's
// direction where the contrast is high, all seven where it is low, every
// other one in between.
int Candidates(const gfx::Pixel* row, ptrdiff_t stride, int x, int y, int w, int h, int c, int* out)
{
    int count = 0;
    if (c > 30 && x > 0 && x < w - 1 && y > 0 && y < h - 1) {
        const auto s = [](gfx::Pixel p) { return R(p) + G(p) + B(p); };
        const int gx = s(row[x + 1]) - s(row[x - 1]);
        const int gy = s(row[x + stride]) - s(row[x - stride]);
        if (std::abs(gx) > 5 || std::abs(gy) > 5) {
            float theta = std::atan2(float(gy), float(gx)) + float(std::numbers::pi / 2.0);
            if (theta < 0.0f)
                theta += float(2.0 * std::numbers::pi);
            if (theta >= float(2.0 * std::numbers::pi))
                theta -= float(2.0 * std::numbers::pi);
            const int d = platform::Round(double(theta) * 7.0 / std::numbers::pi) % 7;
            for (int k = -2; k <= 2; ++k)
                out[count++] = ((d + k) % 7 + 7) % 7;
            return count;
        }
    }
    if (c <= 15) {
        for (int k = 0; k < 7; ++k)
            out[count++] = k;
    } else {
        for (int k = 0; k < 4; ++k)
            out[count++] = (k * 2) % 7;
    }
    return count;
}

// The pixel in lane i takes its tries in order: each draws jitter of up
// to a sixteenth of its error, the least sum wins and a good enough fit
// ends the tries. Orientations with no pixel on the picture are passed over.
Match Choose(const int* candidates, int count, const SmoothLaneFit* fits, int i, platform::Random& rng)
{
    int64_t best = kNoScore;
    int bestBrush = 0;
    uint32_t mean = 0;
    for (int ci = 0; ci < count; ++ci) {
        const SmoothLaneFit& fit = fits[candidates[ci]];
        const int n = fit.count[i];
        if (n == 0)
            continue;
        int64_t e = fit.error[i];
        e += rng.random(int(std::max<int64_t>(1, std::min<int64_t>(e >> 4, INT32_MAX))));
        if (e < best) {
            best = e;
            bestBrush = candidates[ci];
            mean = fit.mean[i];
            if (best < 12 * int64_t(n))
                break;
        }
    }
    Match m;
    m.score = best;
    m.brush = bestBrush;
    m.r = uint8_t(mean >> 16);
    m.g = uint8_t(mean >> 8);
    m.b = uint8_t(mean);
    m.a = 255;
    return m;
}

} // namespace

std::vector<SmoothBrush> MakeSmoothBrushes(const gfx::Image& atlas, int row, int size)
{
    const StampCell cell = StampCell::fromDarkness(atlas, QRect(250, 250 * row, 250, 250), 1.0);
    const int half = size / 2;
    StampSurface surface(size + (size % 2));
    std::vector<SmoothBrush> brushes(kSmoothOrientations);
    const float step = 180.0f / 7.0f;
    for (int i = 0; i < kSmoothOrientations; ++i) {
        const float degrees = float(double(i) * double(step) + 90.0);
        Stamp stamp;
        stamp.cell = &cell;
        stamp.colour = 0xFFFFFFFFu;
        stamp.angle = double(degrees) * std::numbers::pi / 180.0;
        stamp.width = stamp.height = size;
        stamp.sampling = StampSampling::Cubic;
        DrawStamp(surface, stamp, surface.rect());
        SmoothBrush& b = brushes[size_t(i)];
        b.size = size;
        b.alpha.assign(size_t(size) * size_t(size), 0);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const uint8_t a = uint8_t(surface.at(x, y) >> 24);
                b.alpha[size_t(y) * size_t(size) + size_t(x)] = a;
                if (a > 9)
                    b.pixels.push_back({x - half, y - half, a});
            }
    }
    return brushes;
}

std::vector<uint8_t> BuildContrastMap(const gfx::Image& work)
{
    const int w = work.width(), h = work.height();
    std::vector<uint8_t> map(size_t(w) * size_t(h), 0);
    if (w < 3 || h < 3)
        return map;
    platform::ParallelFor(1, h - 1, [&](int y) {
        const gfx::Pixel* up = work.row(y - 1);
        const gfx::Pixel* mid = work.row(y);
        const gfx::Pixel* down = work.row(y + 1);
        for (int x = 1; x < w - 1; ++x) {
            const gfx::Pixel p = mid[x];
            if (A(p) <= 9)
                continue;
            const gfx::Pixel n[8] = {up[x - 1], up[x], up[x + 1], mid[x - 1], mid[x + 1], down[x - 1], down[x], down[x + 1]};
            int sr = 0, sg = 0, sb = 0;
            for (const gfx::Pixel q : n) {
                sr += R(q);
                sg += G(q);
                sb += B(q);
            }
            map[size_t(y) * size_t(w) + size_t(x)] =
                uint8_t((std::abs(R(p) - (sr >> 3)) + std::abs(G(p) - (sg >> 3)) + std::abs(B(p) - (sb >> 3))) / 3);
        }
    });
    return map;
}

void MatchPixels(const gfx::Image& work, const SmoothRowSums& sums, const std::vector<uint8_t>& contrast,
                 const std::vector<SmoothBrush>& brushes, uint32_t seed, Match* table)
{
    MatchPixels(work, sums, contrast, brushes, std::span<const uint32_t>(&seed, 1), std::span<Match* const>(&table, 1));
}

void MatchPixels(const gfx::Image& work, const SmoothRowSums& sums, const std::vector<uint8_t>& contrast,
                 const std::vector<SmoothBrush>& brushes, std::span<const uint32_t> seeds,
                 std::span<Match* const> tables)
{
    const int w = work.width(), h = work.height();
    const SmoothPicture picture{reinterpret_cast<const gfx::Pixel*>(work.bits()),
                                ptrdiff_t(work.stride() / qsizetype(sizeof(gfx::Pixel))), w, h, &sums};
    std::vector<SmoothLaneBrush> lanes;
    for (const SmoothBrush& brush : brushes)
        lanes.push_back(LayOutSmoothLanes(brush, picture));
    const size_t tableCount = std::min(seeds.size(), tables.size());
    platform::ParallelFor(0, h, [&](int y) {
        std::vector<platform::Random> rngs;
        for (size_t s = 0; s < tableCount; ++s)
            rngs.emplace_back(RowSeed(seeds[s], y));
        const gfx::Pixel* row = picture.base + ptrdiff_t(y) * picture.stride;
        const uint8_t* c = contrast.data() + size_t(y) * size_t(w);
        // Eight pixels at a time: every orientation one of them tries is
        // fitted at all eight, then each pixel takes its tries in order.
        for (int x0 = 0; x0 < w; x0 += kSmoothLanes) {
            const int n = std::min(kSmoothLanes, w - x0);
            int candidates[kSmoothLanes][kSmoothOrientations];
            int counts[kSmoothLanes];
            unsigned wanted = 0;
            for (int i = 0; i < n; ++i) {
                const int x = x0 + i;
                counts[i] = A(row[x]) <= 9 ? 0 : Candidates(row, picture.stride, x, y, w, h, c[x], candidates[i]);
                for (int k = 0; k < counts[i]; ++k)
                    wanted |= 1u << candidates[i][k];
            }
            SmoothLaneFit fits[kSmoothOrientations];
            for (int b = 0; b < kSmoothOrientations; ++b)
                if (wanted & (1u << b))
                    FitSmoothLanes(picture, lanes[size_t(b)], x0, y, fits[b]);
            for (size_t s = 0; s < tableCount; ++s) {
                Match* out = tables[s] + size_t(y) * size_t(w);
                for (int i = 0; i < n; ++i)
                    out[x0 + i] = counts[i] == 0 ? Match{} : Choose(candidates[i], counts[i], fits, i, rngs[s]);
            }
        }
    });
}

void FillBlankPixels(const gfx::Image& work, gfx::Surface& canvas)
{
    const int w = work.width(), h = work.height();
    std::vector<uint8_t> mask(size_t(w) * size_t(h), 0), visited(size_t(w) * size_t(h), 0);
    const gfx::Surface& painted = canvas;
    platform::ParallelFor(0, h, [&](int y) {
        const gfx::Pixel* s = work.row(y);
        const gfx::Pixel* c = painted.row(y);
        uint8_t* m = mask.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            m[x] = A(s[x]) > 9 && Grey(c[x]) - Grey(s[x]) > 15;
    });
    const gfx::Pixel* src = reinterpret_cast<const gfx::Pixel*>(work.bits());
    const ptrdiff_t srcStride = ptrdiff_t(work.stride() / qsizetype(sizeof(gfx::Pixel)));
    gfx::Pixel* dst = canvas.row(0);
    const ptrdiff_t dstStride = ptrdiff_t(canvas.stride() / qsizetype(sizeof(gfx::Pixel)));
    std::vector<QPoint> region, stack;
    for (int sy = 0; sy < h; ++sy)
        for (int sx = 0; sx < w; ++sx) {
            const size_t at = size_t(sy) * size_t(w) + size_t(sx);
            if (!mask[at] || visited[at])
                continue;
            region.clear();
            stack.assign(1, QPoint(sx, sy));
            visited[at] = 1;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                region.push_back(p);
                const QPoint next[4] = {{p.x() - 1, p.y()}, {p.x() + 1, p.y()}, {p.x(), p.y() - 1}, {p.x(), p.y() + 1}};
                for (const QPoint& q : next) {
                    if (q.x() < 0 || q.x() >= w || q.y() < 0 || q.y() >= h)
                        continue;
                    const size_t qi = size_t(q.y()) * size_t(w) + size_t(q.x());
                    const int dx = q.x() - sx, dy = q.y() - sy;
                    if (mask[qi] && !visited[qi] && dx * dx + dy * dy <= 625) {
                        visited[qi] = 1;
                        stack.push_back(q);
                    }
                }
            }
            int64_t sr = 0, sg = 0, sb = 0, n = 0;
            for (const QPoint& p : region) {
                const gfx::Pixel q = src[ptrdiff_t(p.y()) * srcStride + p.x()];
                if (A(q) > 10) {
                    sr += R(q);
                    sg += G(q);
                    sb += B(q);
                    ++n;
                }
            }
            if (n == 0)
                continue;
            const gfx::Pixel colour = 0xFF000000u | gfx::Pixel(sr / n) << 16 | gfx::Pixel(sg / n) << 8 | gfx::Pixel(sb / n);
            for (const QPoint& p : region)
                dst[ptrdiff_t(p.y()) * dstStride + p.x()] = colour;
        }
}

void RemoveBrightSpecks(gfx::Surface& canvas)
{
    const int w = canvas.width(), h = canvas.height();
    if (w < 3 || h < 3)
        return;
    gfx::Pixel* base = canvas.row(0);
    const ptrdiff_t stride = ptrdiff_t(canvas.stride() / qsizetype(sizeof(gfx::Pixel)));
    // A pixel's neighbours' mean where it is a speck.
    const auto speck = [stride](const gfx::Pixel& p, gfx::Pixel& mean) {
        if (A(p) <= 9)
            return false;
        const int g = Grey(p);
        int n = 0, k = 0, sr = 0, sg = 0, sb = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if (dx == 0 && dy == 0)
                    continue;
                const gfx::Pixel q = (&p)[ptrdiff_t(dy) * stride + dx];
                if (A(q) <= 9)
                    continue;
                ++n;
                sr += R(q);
                sg += G(q);
                sb += B(q);
                if (Grey(q) < g - 30)
                    ++k;
            }
        if (n == 0 || k <= 5)
            return false;
        mean = 0xFF000000u | gfx::Pixel(sr / n) << 16 | gfx::Pixel(sg / n) << 8 | gfx::Pixel(sb / n);
        return true;
    };
    // Rows with a speck among the pixels as they are. A row without one
    // whose row above kept every pixel keeps its own, so the scan below
    // passes it over.
    std::vector<uint8_t> found(size_t(h), 0);
    platform::ParallelFor(1, h - 1, [&](int y) {
        const gfx::Pixel* row = base + ptrdiff_t(y) * stride;
        gfx::Pixel mean = 0;
        bool any = false;
        for (int x = 1; x < w - 1 && !any; ++x)
            any = speck(row[x], mean);
        found[size_t(y)] = any;
    });
    bool changedAbove = false;
    for (int y = 1; y < h - 1; ++y) {
        if (!found[size_t(y)] && !changedAbove)
            continue;
        changedAbove = false;
        gfx::Pixel* row = base + ptrdiff_t(y) * stride;
        for (int x = 1; x < w - 1; ++x) {
            gfx::Pixel mean = 0;
            if (speck(row[x], mean)) {
                row[x] = mean;
                changedAbove = true;
            }
        }
    }
}

} // namespace pq
