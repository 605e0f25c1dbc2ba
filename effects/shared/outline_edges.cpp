#include "effects/shared/outline_edges.h"

#include "engine/runtime/progress.h"
#include "gfx/filters.h"
#include "gfx/luma.h"
#include "gfx/surface.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pq {
namespace {

constexpr int kRowGrain = 16;

// Luma of a blurred, premultiplied pixel.
inline uint8_t LumaOf(gfx::Pixel p)
{
    const int a = int(p >> 24);
    if (a == 0)
        return 0;
    const int r = int((p >> 16) & 255), g = int((p >> 8) & 255), b = int(p & 255);
    if (a == 255)
        return uint8_t(gfx::Luma601Thousandths(r, g, b));
    auto un = [a](int c) { return std::min(255.0, double(c) * 255.0 / double(a)); };
    return uint8_t(platform::Round(gfx::Luma601(un(r), un(g), un(b))));
}

gfx::Image CanvasOf(const gfx::Image& source, int width, int height)
{
    if (source.isNull() || source.size() == QSize(width, height))
        return source;
    gfx::Surface s = gfx::Surface::make(width, height);
    if (s.isNull())
        return {};
    s.writeImage(source, 0, 0);
    return s.snapshot();
}

// Sum of `mag` over every column's vertical window y - R .. y + R (clipped).
EdgePlane<int32_t> ColumnSums(const EdgePlane<uint16_t>& mag, int w, int h, int r)
{
    EdgePlane<int32_t> sums(size_t(w) * size_t(h));
    constexpr int kColumns = 256;
    const int blocks = (w + kColumns - 1) / kColumns;
    platform::ParallelForRange(0, blocks, 1, [&](int b0, int b1) {
        std::vector<int32_t> run(kColumns);
        for (int b = b0; b < b1; ++b) {
            const int x0 = b * kColumns, n = std::min(kColumns, w - x0);
            std::fill(run.begin(), run.begin() + n, 0);
            for (int y = 0; y <= std::min(r, h - 1); ++y) {
                const uint16_t* m = mag.data() + size_t(y) * w + x0;
                for (int i = 0; i < n; ++i)
                    run[size_t(i)] += m[i];
            }
            for (int y = 0; y < h; ++y) {
                int32_t* out = sums.data() + size_t(y) * w + x0;
                for (int i = 0; i < n; ++i)
                    out[i] = run[size_t(i)];
                if (y + r + 1 < h) {
                    const uint16_t* add = mag.data() + size_t(y + r + 1) * w + x0;
                    for (int i = 0; i < n; ++i)
                        run[size_t(i)] += add[i];
                }
                if (y - r >= 0) {
                    const uint16_t* sub = mag.data() + size_t(y - r) * w + x0;
                    for (int i = 0; i < n; ++i)
                        run[size_t(i)] -= sub[i];
                }
            }
        }
    });
    return sums;
}

// Disorder of the gradient around (x, y), divided by 9 N.
float DisorderAt(const EdgeMap& e, int x, int y, int n)
{
    const size_t i = size_t(y) * e.width + x;
    const int gx = e.gx[i], gy = e.gy[i];
    int64_t sum = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        const int ny = y + dy;
        if (ny < 0 || ny >= e.height)
            continue;
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx;
            if (nx < 0 || nx >= e.width)
                continue;
            const size_t j = size_t(ny) * e.width + nx;
            sum += std::abs(e.gx[j] - gx) + std::abs(e.gy[j] - gy);
        }
    }
    return float(double(sum) / (9.0 * n));
}

} // namespace

EdgeThresholds EdgeThresholdsFor(int strength)
{
    const double s = strength;
    double h = s <= 50 ? platform::Round64(800.0 - 12.0 * s) : double(platform::Round64(200.0 - 3.6 * (s - 50.0)));
    // Above the largest magnitude (2040) nothing is strong; the cap keeps the
    // arithmetic in range for any script value.
    h = std::clamp(h, 20.0, 1.0e6);
    EdgeThresholds t;
    t.high = int(h);
    t.low = (3 * t.high) / 10;
    t.highRatio = float(3.5 - 0.02 * s);
    t.lowRatio = float(double(t.highRatio) * 0.5);
    return t;
}

EdgeMap DetectEdges(const gfx::Image& source, int width, int height, const EdgeDetectionSettings& settings)
{
    EdgeMap e;
    if (width < 3 || height < 3 || !gfx::IsSaneSize(width, height))
        return e;
    const EdgeThresholds t = EdgeThresholdsFor(settings.strength);
    e.high = t.high;
    const int w = width, h = height;
    const size_t n = size_t(w) * size_t(h);

    const gfx::Image blurred =
        gfx::GaussianBlur(CanvasOf(source, w, h), settings.blurSigma, settings.blurSigma, gfx::EdgeMode::Clamp);
    if (blurred.isNull() || blurred.size() != QSize(w, h))
        return e; // no pixels: no edges
    e.width = w;
    e.height = h;

    // Luma, then Sobel on the interior (0 on the border).
    e.gx = EdgePlane<int16_t>(n);
    e.gy = EdgePlane<int16_t>(n);
    EdgePlane<uint16_t> mag(n);
    {
        EdgePlane<uint8_t> luma(n);
        platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const gfx::Pixel* src = blurred.row(y);
                uint8_t* out = luma.data() + size_t(y) * w;
                for (int x = 0; x < w; ++x)
                    out[x] = LumaOf(src[x]);
            }
        });
        platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const size_t base = size_t(y) * w;
                if (y == 0 || y == h - 1) {
                    std::fill_n(e.gx.data() + base, w, int16_t(0));
                    std::fill_n(e.gy.data() + base, w, int16_t(0));
                    std::fill_n(mag.data() + base, w, uint16_t(0));
                    continue;
                }
                for (const size_t i : {base, base + size_t(w) - 1}) {
                    e.gx[i] = 0;
                    e.gy[i] = 0;
                    mag[i] = 0;
                }
                const uint8_t* up = luma.data() + size_t(y - 1) * w;
                const uint8_t* mid = up + w;
                const uint8_t* down = mid + w;
                for (int x = 1; x < w - 1; ++x) {
                    const int gx = up[x + 1] + 2 * mid[x + 1] + down[x + 1] - up[x - 1] - 2 * mid[x - 1] - down[x - 1];
                    const int gy = down[x - 1] + 2 * down[x] + down[x + 1] - up[x - 1] - 2 * up[x] - up[x + 1];
                    e.gx[base + x] = int16_t(gx);
                    e.gy[base + x] = int16_t(gy);
                    mag[base + x] = uint16_t(std::abs(gx) + std::abs(gy));
                }
            }
        });
    }
    if (settings.checkCancellation)
        CheckCancellation();

    // Non-maximum suppression and classification against the local mean.
    e.nms = EdgePlane<uint16_t>(n);
    EdgePlane<uint8_t> cls(n);
    {
        const int r = std::max(0, settings.windowRadius);
        const EdgePlane<int32_t> cols = ColumnSums(mag, w, h, r);
        const int lowThreshold = t.low, highThreshold = t.high;
        platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const size_t base = size_t(y) * w;
                std::fill_n(e.nms.data() + base, w, uint16_t(0));
                std::fill_n(cls.data() + base, w, uint8_t(0));
                if (y == 0 || y == h - 1)
                    continue;
                const int rows = std::min(h - 1, y + r) - std::max(0, y - r) + 1;
                const int32_t* col = cols.data() + base;
                // Running window sum along the row, kept in step with x.
                int64_t window = 0;
                for (int x = 0; x <= std::min(r, w - 1); ++x)
                    window += col[x];
                for (int x = 1; x < w - 1; ++x) {
                    if (x + r < w)
                        window += col[x + r];
                    if (x - r - 1 >= 0)
                        window -= col[x - r - 1];
                    const int m = mag[base + x];
                    if (m < lowThreshold)
                        continue;
                    const int ax = std::abs(e.gx[base + x]), ay = std::abs(e.gy[base + x]);
                    int a, b;
                    if (ax == 0) {
                        a = mag[base + x - w];
                        b = mag[base + x + w];
                    } else if (ay == 0) {
                        a = mag[base + x - 1];
                        b = mag[base + x + 1];
                    } else {
                        const int ratio = ay * 1000 / ax;
                        if (ratio <= 413) {
                            a = mag[base + x - 1];
                            b = mag[base + x + 1];
                        } else if (ratio >= 2415) {
                            a = mag[base + x - w];
                            b = mag[base + x + w];
                        } else if (int(e.gx[base + x]) * int(e.gy[base + x]) > 0) {
                            a = mag[base + x - w - 1];
                            b = mag[base + x + w + 1];
                        } else {
                            a = mag[base + x - w + 1];
                            b = mag[base + x + w - 1];
                        }
                    }
                    if (m < a || m < b)
                        continue;
                    e.nms[base + x] = uint16_t(m);
                    const int windowCols = std::min(w - 1, x + r) - std::max(0, x - r) + 1;
                    const int64_t mean = window / (int64_t(rows) * windowCols);
                    if (m >= highThreshold && m >= platform::Round64(double(mean) * double(t.highRatio)))
                        cls[base + x] = 2;
                    else if (m >= lowThreshold && m >= platform::Round64(double(mean) * double(t.lowRatio)))
                        cls[base + x] = 1;
                }
            }
        });
    }
    mag = EdgePlane<uint16_t>();

    // Hysteresis from every strong pixel, in row order; short chains go.
    {
        const size_t minChain = size_t(std::max(0, settings.minChainLength));
        std::vector<int32_t> stack, chain;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t start = size_t(y) * w + x;
                if (cls[start] != 2)
                    continue;
                chain.clear();
                stack.push_back(int32_t(start));
                cls[start] = 255;
                while (!stack.empty()) {
                    const int32_t p = stack.back();
                    stack.pop_back();
                    chain.push_back(p);
                    const int px = p % w, py = p / w;
                    for (int dy = -1; dy <= 1; ++dy) {
                        const int ny = py + dy;
                        if (ny < 0 || ny >= h)
                            continue;
                        for (int dx = -1; dx <= 1; ++dx) {
                            const int nx = px + dx;
                            if ((dx == 0 && dy == 0) || nx < 0 || nx >= w)
                                continue;
                            const size_t q = size_t(ny) * w + nx;
                            if (cls[q] == 1 || cls[q] == 2) {
                                cls[q] = 255;
                                stack.push_back(int32_t(q));
                            }
                        }
                    }
                }
                const uint8_t mark = chain.size() < minChain ? 0 : 3;
                for (const int32_t p : chain)
                    cls[size_t(p)] = mark;
                e.hasEdges |= mark == 3;
            }
    }
    platform::ParallelForRange(0, h, kRowGrain, [&](int y0, int y1) {
        uint8_t* c = cls.data() + size_t(y0) * w;
        for (size_t i = 0, end = size_t(y1 - y0) * w; i < end; ++i)
            c[i] = c[i] == 3 ? 1 : 0;
    });
    e.kept = std::move(cls);
    if (settings.checkCancellation)
        CheckCancellation();
    return e;
}

void StampEdges(const EdgeMap& e, const DotStyle& style, std::vector<uint8_t>& mask)
{
    const int w = e.width, h = e.height;
    if (!e.hasEdges || mask.size() != size_t(w) * size_t(h) || style.baseRadius < 0)
        return;
    const int baseRadius = style.baseRadius;
    const int largest = std::max(baseRadius, style.largestRadius);
    const int shift = style.shiftAgainstGradient ? 1 : 0;

    // Disc coverage by radius: single(clamp(r + fringe - distance, 0, 1)) for the
    // offsets up to floor(r + fringe) with distance <= r + fringe, else -1.
    std::vector<std::vector<float>> discs(size_t(largest) + 1);
    for (int r = 1; r <= largest; ++r) {
        const double lim = r + style.fringe;
        const int ext = static_cast<int>(std::floor(lim));
        std::vector<float>& d = discs[size_t(r)];
        d.resize(size_t(2 * ext + 1) * size_t(2 * ext + 1));
        for (int dy = -ext; dy <= ext; ++dy)
            for (int dx = -ext; dx <= ext; ++dx) {
                const float distance = float(std::sqrt(double(dx * dx + dy * dy)));
                d[size_t(dy + ext) * size_t(2 * ext + 1) + size_t(dx + ext)] =
                    lim >= double(distance) ? float(std::clamp(lim - double(distance), 0.0, 1.0)) : -1.0f;
            }
    }
    const int reach = static_cast<int>(std::floor(largest + style.fringe)) + shift + 1;

    // Bands of output rows in parallel: each band stamps every dot that
    // reaches it, clipped to its rows. Writes take the maximum, so the
    // result does not depend on the order.
    constexpr int kBand = 32;
    const int bands = (h + kBand - 1) / kBand;
    platform::ParallelForRange(0, bands, 1, [&](int b0, int b1) {
        for (int b = b0; b < b1; ++b) {
            const int top = b * kBand, bottom = std::min(h, top + kBand);
            auto raise = [&](int x, int y, int v) {
                if (x < 0 || x >= w || y < top || y >= bottom || v <= 0)
                    return;
                uint8_t& m = mask[size_t(y) * w + x];
                if (v > m)
                    m = uint8_t(std::min(v, 255));
            };
            for (int y = std::max(0, top - reach); y < std::min(h, bottom + reach); ++y)
                for (int x = 0; x < w; ++x) {
                    const size_t i = size_t(y) * w + x;
                    if (!e.kept[i])
                        continue;
                    const int n = e.nms[i];
                    const int a = style.opacity[size_t(std::min(n, 2040))];
                    if (a <= 0)
                        continue;
                    int r = baseRadius;
                    if (baseRadius > 0) {
                        const float disorder = DisorderAt(e, x, y, n);
                        if (disorder > 0.35 && disorder < 1.5)
                            r = std::min(baseRadius + platform::Round((double(disorder) - 0.35) * baseRadius * 1.5), largest);
                    }
                    int cx = x, cy = y;
                    if (shift) {
                        cx += e.gx[i] > 0 ? -1 : (e.gx[i] < 0 ? 1 : 0);
                        cy += e.gy[i] > 0 ? -1 : (e.gy[i] < 0 ? 1 : 0);
                        cx = std::clamp(cx, 0, w - 1);
                        cy = std::clamp(cy, 0, h - 1);
                    }
                    if (r == 0) {
                        const int edge = platform::Round(style.edgeShare * a);
                        const int corner = platform::Round(style.cornerShare * a);
                        raise(cx, cy, a);
                        raise(cx - 1, cy, edge);
                        raise(cx + 1, cy, edge);
                        raise(cx, cy - 1, edge);
                        raise(cx, cy + 1, edge);
                        raise(cx - 1, cy - 1, corner);
                        raise(cx + 1, cy - 1, corner);
                        raise(cx - 1, cy + 1, corner);
                        raise(cx + 1, cy + 1, corner);
                        continue;
                    }
                    const std::vector<float>& disc = discs[size_t(r)];
                    const int ext = static_cast<int>(std::floor(r + style.fringe));
                    const int side = 2 * ext + 1;
                    const int ya = std::max(cy - ext, top), yb = std::min(cy + ext, bottom - 1);
                    const int xa = std::max(cx - ext, 0), xb = std::min(cx + ext, w - 1);
                    for (int py = ya; py <= yb; ++py) {
                        const float* cov = disc.data() + size_t(py - cy + ext) * side;
                        uint8_t* row = mask.data() + size_t(py) * w;
                        for (int px = xa; px <= xb; ++px) {
                            const float c = cov[px - cx + ext];
                            if (c < 0.0f)
                                continue;
                            const int v = platform::Round(double(a) * double(c));
                            if (v > row[px])
                                row[px] = uint8_t(std::min(v, 255));
                        }
                    }
                }
        }
    });
}

} // namespace pq
