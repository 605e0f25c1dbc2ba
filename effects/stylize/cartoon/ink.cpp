#include "effects/stylize/cartoon/ink.h"

#include "gfx/filters.h"
#include "gfx/luma.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace pq::stylize {
namespace {

// Classes of the edge pixels.
constexpr uint8_t kNone = 0, kWeak = 1, kStrong = 2, kKept = 3, kTracing = 255;

// Sobel gradients of the blurred photo's grey levels; |gx| + |gy| is at
// most 2040, so every plane fits 16 bits.
struct EdgeField {
    int w = 0, h = 0;
    Plane<int16_t> mag, gx, gy;
};

uint8_t GreyOf(gfx::Pixel p)
{
    const int a = int(p >> 24), r = int((p >> 16) & 255), g = int((p >> 8) & 255), b = int(p & 255);
    if (a == 0)
        return 0;
    if (a == 255)
        return uint8_t(gfx::Luma601Thousandths(r, g, b));
    auto straight = [a](int c) { return std::clamp(double(c) * 255.0 / a, 0.0, 255.0); };
    return uint8_t(platform::ClampByte(platform::Round(gfx::Luma601(straight(r), straight(g), straight(b)))));
}

EdgeField SobelField(const gfx::Image& source)
{
    const gfx::Image blurred = gfx::GaussianBlur(source, 1.0f, 1.0f, gfx::EdgeMode::Clamp);
    if (blurred.isNull())
        throw std::bad_alloc();
    EdgeField f;
    f.w = source.width();
    f.h = source.height();
    const int w = f.w, h = f.h;
    const size_t n = size_t(w) * size_t(h);
    Plane<uint8_t> luma(n);
    platform::ParallelForRange(0, h, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const gfx::Pixel* row = blurred.row(y);
            uint8_t* out = luma.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                out[x] = GreyOf(row[x]);
        }
    });
    f.mag = Plane<int16_t>(n, 0);
    f.gx = Plane<int16_t>(n, 0);
    f.gy = Plane<int16_t>(n, 0);
    platform::ParallelForRange(1, h - 1, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const uint8_t* up = luma.data() + size_t(y - 1) * size_t(w);
            const uint8_t* mid = up + w;
            const uint8_t* down = mid + w;
            const size_t base = size_t(y) * size_t(w);
            for (int x = 1; x < w - 1; ++x) {
                const int gx = (up[x + 1] + 2 * mid[x + 1] + down[x + 1]) - (up[x - 1] + 2 * mid[x - 1] + down[x - 1]);
                const int gy = (down[x - 1] + 2 * down[x] + down[x + 1]) - (up[x - 1] + 2 * up[x] + up[x + 1]);
                f.mag[base + size_t(x)] = int16_t(std::abs(gx) + std::abs(gy));
                f.gx[base + size_t(x)] = int16_t(gx);
                f.gy[base + size_t(x)] = int16_t(gy);
            }
        }
    });
    return f;
}

// Magnitudes that are local maxima across the edge and at least `low`;
// 0 elsewhere.
Plane<int16_t> Thin(const EdgeField& f, int low)
{
    const int w = f.w, h = f.h;
    Plane<int16_t> thin(size_t(w) * size_t(h), 0);
    platform::ParallelForRange(1, h - 1, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                const int m = f.mag[i];
                if (m < low)
                    continue;
                const int gx = f.gx[i], gy = f.gy[i];
                const int ax = std::abs(gx), ay = std::abs(gy);
                size_t a, b;
                const size_t left = i - 1, right = i + 1, above = i - size_t(w), below = i + size_t(w);
                if (ax == 0) {
                    a = above;
                    b = below;
                } else if (ay == 0) {
                    a = left;
                    b = right;
                } else {
                    const int t = ay * 1000 / ax;
                    if (t <= 413) {
                        a = left;
                        b = right;
                    } else if (t >= 2415) {
                        a = above;
                        b = below;
                    } else if (gx * gy > 0) {
                        a = above - 1;
                        b = below + 1;
                    } else {
                        a = above + 1;
                        b = below - 1;
                    }
                }
                if (m >= f.mag[a] && m >= f.mag[b])
                    thin[i] = int16_t(m);
            }
    });
    return thin;
}

// Strong and weak pixels: thinned magnitudes above the thresholds and above
// q (q / 2 for weak ones) times the mean magnitude around them.
Plane<uint8_t> Classify(const EdgeField& f, const Plane<int16_t>& thin, const CartoonSettings& s)
{
    const int w = f.w, h = f.h;
    // Window sums never reach 2^32, so wrapping 32-bit running sums give
    // them exactly.
    const size_t stride = size_t(w) + 1;
    Plane<uint32_t> sat(stride * (size_t(h) + 1), 0u);
    for (int y = 0; y < h; ++y) {
        uint32_t rowSum = 0;
        const int16_t* mag = f.mag.data() + size_t(y) * size_t(w);
        uint32_t* above = sat.data() + size_t(y) * stride;
        uint32_t* here = above + stride;
        for (int x = 0; x < w; ++x) {
            rowSum += uint32_t(mag[x]);
            here[x + 1] = above[x + 1] + rowSum;
        }
    }
    Plane<uint8_t> cls(size_t(w) * size_t(h), kNone);
    const int k = s.contrastHalf;
    platform::ParallelForRange(0, h, 32, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const int y1 = std::max(0, y - k), y2 = std::min(h - 1, y + k);
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                const int n = thin[i];
                if (n == 0)
                    continue;
                const int x1 = std::max(0, x - k), x2 = std::min(w - 1, x + k);
                const uint32_t sum = sat[(size_t(y2) + 1) * stride + size_t(x2) + 1] + sat[size_t(y1) * stride + size_t(x1)] -
                                     sat[size_t(y1) * stride + size_t(x2) + 1] - sat[(size_t(y2) + 1) * stride + size_t(x1)];
                const int mean = int(sum / uint32_t((x2 - x1 + 1) * (y2 - y1 + 1)));
                const float scaled = float(mean) * s.contrastRatio;
                if (n >= s.highThreshold && n >= platform::Round(scaled))
                    cls[i] = kStrong;
                else if (n >= s.lowThreshold && n >= platform::Round(scaled / 2.0f))
                    cls[i] = kWeak;
            }
        }
    });
    return cls;
}

// Chains grown from strong pixels through strong and weak neighbours; long
// enough ones become kept edges, the rest nothing.
void KeepLongChains(Plane<uint8_t>& cls, int w, int h, int shortest)
{
    std::vector<int> stack, chain;
    for (size_t start = 0; start < size_t(w) * size_t(h); ++start) {
        if (cls[start] != kStrong)
            continue;
        chain.clear();
        cls[start] = kTracing;
        stack.push_back(int(start));
        while (!stack.empty()) {
            const int p = stack.back();
            stack.pop_back();
            chain.push_back(p);
            const int px = p % w, py = p / w;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = px + dx, ny = py + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    uint8_t& c = cls[size_t(ny) * size_t(w) + size_t(nx)];
                    if (c == kWeak || c == kStrong) {
                        c = kTracing;
                        stack.push_back(ny * w + nx);
                    }
                }
        }
        const uint8_t verdict = int(chain.size()) >= shortest ? kKept : kNone;
        for (const int p : chain)
            cls[size_t(p)] = verdict;
    }
}

void Raise(uint8_t& cell, int value)
{
    if (value > cell)
        cell = uint8_t(value);
}

Plane<uint8_t> InkMask(const EdgeField& f, const Plane<int16_t>& thin, const Plane<uint8_t>& cls,
                       const CartoonSettings& s)
{
    const int w = f.w, h = f.h;
    Plane<uint8_t> ink(size_t(w) * size_t(h), 0);
    const int r0 = s.lineRadius;
    const int covering = CoveringLineRadius(w, h);
    int everywhere = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            if (cls[i] != kKept)
                continue;
            const int n = thin[i];
            const double base = double(s.edgeDetail / 5 + n * 175 / std::max(1, s.highThreshold) + 20);
            const int v = std::min(255, platform::Round(base * s.edgeDarkness / 100.0));
            if (v <= 0)
                continue;
            int r = r0;
            if (r0 > 0) {
                int64_t spread = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        const size_t j = size_t(ny) * size_t(w) + size_t(nx);
                        spread += std::abs(f.gx[j] - f.gx[i]) + std::abs(f.gy[j] - f.gy[i]);
                    }
                const double c = double(spread) / std::max(1, 9 * n);
                if (c > 0.35 && c < 1.5)
                    r = std::min(s.maxLineRadius, r0 + platform::Round((c - 0.35) * r0 * 1.5));
            }
            if (r == 0) {
                const int side = platform::Round(0.65 * v), diagonal = platform::Round(0.3 * v);
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                            continue;
                        const int value = dx == 0 && dy == 0 ? v : (dx == 0 || dy == 0 ? side : diagonal);
                        Raise(ink[size_t(ny) * size_t(w) + size_t(nx)], value);
                    }
                continue;
            }
            // A line that reaches every pixel at full weight raises the whole
            // mask to v: remembered once instead of stamped.
            if (r >= covering) {
                everywhere = std::max(everywhere, v);
                continue;
            }
            const int reach = r + 1;
            for (int ny = std::max(0, y - reach); ny <= std::min(h - 1, y + reach); ++ny)
                for (int nx = std::max(0, x - reach); nx <= std::min(w - 1, x + reach); ++nx) {
                    const int dx = nx - x, dy = ny - y;
                    const double d = std::sqrt(double(dx * dx + dy * dy));
                    if (d > reach)
                        continue;
                    const double weight = std::clamp(reach - d, 0.0, 1.0);
                    Raise(ink[size_t(ny) * size_t(w) + size_t(nx)], platform::Round(v * weight));
                }
        }
    if (everywhere > 0)
        for (size_t i = 0; i < ink.size(); ++i)
            Raise(ink[i], everywhere);
    return ink;
}

} // namespace

int CoveringLineRadius(int w, int h)
{
    return int(std::ceil(std::hypot(double(std::max(0, w - 1)), double(std::max(0, h - 1)))));
}

CartoonSettings DeriveCartoonSettings(int w, int h, int p1, int p2, int p3, int p4, int p5, bool preview)
{
    constexpr int kGuard = 1000000;
    p2 = std::clamp(p2, -kGuard, kGuard);
    p3 = std::clamp(p3, -kGuard, kGuard);
    p4 = std::clamp(p4, -kGuard, kGuard);
    CartoonSettings s;
    s.smoothRadius = platform::Round(0.1 * p1) + 5;
    s.smoothIterations = std::min(platform::Round(0.05 * p1) + 3, kMaxCartoonSmoothPasses);
    if (preview) {
        s.smoothRadius = std::min(s.smoothRadius, 6);
        s.smoothIterations = std::min(s.smoothIterations, 2);
    }
    s.rangeSigma = 0.8f * float(p1) + 40.0f;
    s.preBlurSigma = float(0.018 * p1 + 0.8);
    s.highThreshold = p2 <= 50 ? platform::Round(800.0 - 12.0 * p2)
                               : std::max(20, platform::Round(200.0 - 3.6 * (p2 - 50)));
    s.lowThreshold = s.highThreshold * 3 / 10;
    s.contrastRatio = 3.5f - 0.02f * float(p2);
    s.satBoost = 1.0f + 0.014f * float(p4);
    s.lumiBoost = 1.0f + 0.0016f * float(p3);
    // A line wider than the covering radius draws what that radius draws.
    const int covering = CoveringLineRadius(w, h);
    s.lineRadius = std::min(platform::Round(0.05 * p5), covering);
    s.maxLineRadius = std::min(s.lineRadius + std::max(1, s.lineRadius / 2), covering);
    const int side = std::min(w, h);
    s.contrastHalf = std::clamp(side / 120, 6, 14);
    s.shortestChain = std::max(4, side / 300);
    s.edgeDetail = p2;
    s.edgeDarkness = p3;
    return s;
}

Plane<uint8_t> CartoonInk(const gfx::Image& source, const CartoonSettings& s, const std::function<void(int)>& stage)
{
    Plane<uint8_t> cls;
    Plane<int16_t> thin;
    EdgeField field = SobelField(source);
    stage(76);
    thin = Thin(field, s.lowThreshold);
    cls = Classify(field, thin, s);
    field.mag = Plane<int16_t>();
    KeepLongChains(cls, field.w, field.h, s.shortestChain);
    stage(87);
    return InkMask(field, thin, cls, s);
}

} // namespace pq::stylize
