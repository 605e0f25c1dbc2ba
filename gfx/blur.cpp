#include "gfx/filters.h"
#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

namespace gfx {
namespace {

using px::F4;
using px::I4;
typedef uint16_t U16x4 __attribute__((vector_size(8)));

constexpr int kFrac = 8;             // fraction bits of the values between passes
constexpr int kOne = 255 << kFrac;   // largest value
constexpr float kExactBelow = 2.0f;  // sigmas below use the exact kernel
constexpr int kLanes = 8;            // rows or columns blurred side by side

// Lines per parallel block: a few blocks per thread, so that each block's
// scratch buffers are set up once for many lines.
int GrainFor(int lines)
{
    return std::max(1, lines / ((platform::ThreadPoolWorkerCount() + 1) * 4));
}

struct Box {
    int left = 0, right = 0;
};

// How one axis is blurred: the exact kernel, or three boxes whose sizes
// follow the usual three-box approximation (d = sigma * 3 sqrt(2 pi) / 4).
struct AxisPlan {
    std::vector<float> kernel; // 2 * radius + 1 weights summing to 1
    int radius = 0;
    std::array<Box, 3> boxes{};
    int reach = 0; // how far beyond the line the result depends on
    bool active = false;
};

AxisPlan PlanAxis(float sigma)
{
    AxisPlan plan;
    if (!(sigma > 0.0f))
        return plan;
    plan.active = true;
    const double s = std::min(sigma, kMaxBlurSigma);
    if (s < kExactBelow) {
        plan.radius = std::max(1, static_cast<int>(std::ceil(3.0 * s)));
        std::vector<double> w(size_t(2 * plan.radius + 1));
        double sum = 0.0;
        for (int i = -plan.radius; i <= plan.radius; ++i)
            sum += w[size_t(i + plan.radius)] = std::exp(-double(i) * i / (2.0 * s * s));
        for (double v : w)
            plan.kernel.push_back(float(v / sum));
        plan.reach = plan.radius;
        return plan;
    }
    const int d = static_cast<int>(std::floor(s * 3.0 * std::sqrt(2.0 * std::numbers::pi) / 4.0 + 0.5));
    if (d % 2 == 1) {
        const int r = (d - 1) / 2;
        plan.boxes = {Box{r, r}, Box{r, r}, Box{r, r}};
    } else {
        // Two boxes of size d centred half a pixel left and right, one of d + 1.
        const int r = d / 2;
        plan.boxes = {Box{r, r - 1}, Box{r - 1, r}, Box{r, r}};
    }
    int left = 0, right = 0;
    for (const Box& b : plan.boxes) {
        left += b.left;
        right += b.right;
    }
    plan.reach = std::max(left, right);
    return plan;
}

// Lines are arrays of positions with `cells` pixels each (I4 per pixel).
// A pass writes the positions whose window lies in the valid range
// [lo, hi) of its input and narrows that range.
void BoxPass(const I4* src, I4* dst, int& lo, int& hi, int cells, Box box)
{
    const int outLo = lo + box.left, outHi = hi - box.right;
    if (outLo >= outHi) {
        lo = hi = outLo;
        return;
    }
    const F4 inv = px::Splat(1.0f / float(box.left + box.right + 1));
    const F4 half = px::Splat(0.5f);
    std::array<I4, kLanes> sum{};
    for (int j = lo; j <= lo + box.left + box.right; ++j)
        for (int k = 0; k < cells; ++k)
            sum[size_t(k)] += src[size_t(j) * cells + k];
    for (int i = outLo;; ++i) {
        I4* out = dst + size_t(i) * cells;
        for (int k = 0; k < cells; ++k)
            out[k] = __builtin_convertvector(__builtin_convertvector(sum[size_t(k)], F4) * inv + half, I4);
        if (i + 1 >= outHi)
            break;
        const I4* enter = src + size_t(i + 1 + box.right) * cells;
        const I4* leave = src + size_t(i - box.left) * cells;
        for (int k = 0; k < cells; ++k)
            sum[size_t(k)] += enter[k] - leave[k];
    }
    lo = outLo;
    hi = outHi;
}

void KernelPass(const I4* src, I4* dst, int& lo, int& hi, int cells, const std::vector<float>& kernel, int radius)
{
    const int outLo = lo + radius, outHi = hi - radius;
    const F4 half = px::Splat(0.5f);
    for (int i = outLo; i < outHi; ++i) {
        I4* out = dst + size_t(i) * cells;
        for (int k = 0; k < cells; ++k) {
            const I4* in = src + size_t(i - radius) * cells + k;
            F4 acc = px::Splat(0.0f);
            for (size_t t = 0; t < kernel.size(); ++t)
                acc += px::Splat(kernel[t]) * __builtin_convertvector(in[t * size_t(cells)], F4);
            out[k] = __builtin_convertvector(acc + half, I4);
        }
    }
    lo = outLo;
    hi = std::max(outLo, outHi);
}

// 8-bit premultiplied pixels, read as fixed point.
struct ByteSource {
    const uint8_t* base;
    qsizetype stride;

    I4 load(int x, int y) const
    {
        return px::ToI4(reinterpret_cast<const Pixel*>(base + stride * y)[x]) << kFrac;
    }
};

// 8-bit premultiplied pixels, written from fixed point (valid premultiplied).
struct ByteTarget {
    uint8_t* base;
    qsizetype stride;

    void store(int x, int y, I4 v) const
    {
        v = (v + (1 << (kFrac - 1))) >> kFrac;
        const I4 zero = {0, 0, 0, 0};
        const int a = std::clamp(v[px::kAlpha], 0, 255);
        const I4 alpha = {a, a, a, a};
        v = v < zero ? zero : v;
        v = v > alpha ? alpha : v;
        reinterpret_cast<Pixel*>(base + stride * y)[x] = px::PackI4(v);
    }
};

// Fixed-point intermediate between the two axes, stored column by column:
// the row pass writes runs of consecutive rows, the column pass reads them.
struct ColumnPlane {
    uint16_t* base;
    size_t height;

    uint16_t* at(int x, int y) const { return base + (size_t(x) * height + size_t(y)) * 4; }
    I4 load(int x, int y) const
    {
        U16x4 v;
        std::memcpy(&v, at(x, y), sizeof v);
        return __builtin_convertvector(v, I4);
    }
    void store(int x, int y, I4 v) const
    {
        const I4 zero = {0, 0, 0, 0}, one = {kOne, kOne, kOne, kOne};
        v = v < zero ? zero : v;
        v = v > one ? one : v;
        const U16x4 w = __builtin_convertvector(v, U16x4);
        std::memcpy(at(x, y), &w, sizeof w);
    }
};

// Scratch of one worker: two line buffers.
struct Lines {
    std::vector<I4> a, b;
};

// Blurs one line of n positions x cells. load(i, k) reads the input,
// store(i, k, v) writes the result.
template <typename Load, typename Store>
void BlurLine(const AxisPlan& plan, EdgeMode edge, int n, int cells, Lines& lines, Load&& load, Store&& store)
{
    const int reach = plan.reach;
    const int len = n + 2 * reach;
    lines.a.resize(size_t(len) * cells);
    lines.b.resize(size_t(len) * cells);
    I4* src = lines.a.data();
    I4* dst = lines.b.data();
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < cells; ++k)
            src[size_t(reach + i) * cells + k] = load(i, k);
    const I4 zero = {0, 0, 0, 0};
    for (int i = 0; i < reach; ++i)
        for (int k = 0; k < cells; ++k) {
            const bool clamp = edge == EdgeMode::Clamp;
            src[size_t(i) * cells + k] = clamp ? src[size_t(reach) * cells + k] : zero;
            src[size_t(reach + n + i) * cells + k] = clamp ? src[size_t(reach + n - 1) * cells + k] : zero;
        }
    int lo = 0, hi = len;
    if (!plan.kernel.empty()) {
        KernelPass(src, dst, lo, hi, cells, plan.kernel, plan.radius);
        std::swap(src, dst);
    } else {
        for (const Box& box : plan.boxes) {
            BoxPass(src, dst, lo, hi, cells, box);
            std::swap(src, dst);
        }
    }
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < cells; ++k)
            store(i, k, src[size_t(reach + i) * cells + k]);
}

// Both passes blur kLanes lines side by side (bands of rows, blocks of
// columns), so that every input and output access walks kLanes sequential
// streams instead of striding across the image.
template <typename In, typename Out>
void BlurRows(const AxisPlan& plan, EdgeMode edge, int width, int height, const In& in, const Out& out)
{
    const int bands = (height + kLanes - 1) / kLanes;
    platform::ParallelForRange(0, bands, GrainFor(bands), [&](int b0, int b1) {
        Lines lines;
        for (int b = b0; b < b1; ++b) {
            const int y0 = b * kLanes;
            BlurLine(
                plan, edge, width, std::min(kLanes, height - y0), lines,
                [&](int i, int k) { return in.load(i, y0 + k); },
                [&](int i, int k, I4 v) { out.store(i, y0 + k, v); });
        }
    });
}

template <typename In, typename Out>
void BlurColumns(const AxisPlan& plan, EdgeMode edge, int width, int height, const In& in, const Out& out)
{
    const int blocks = (width + kLanes - 1) / kLanes;
    platform::ParallelForRange(0, blocks, GrainFor(blocks), [&](int b0, int b1) {
        Lines lines;
        for (int b = b0; b < b1; ++b) {
            const int x0 = b * kLanes;
            BlurLine(
                plan, edge, height, std::min(kLanes, width - x0), lines,
                [&](int i, int k) { return in.load(x0 + k, i); },
                [&](int i, int k, I4 v) { out.store(x0 + k, i, v); });
        }
    });
}

// Blurs src into dst (which may be the same pixels); false when scratch
// memory is not available.
bool BlurPixels(const uint8_t* src, qsizetype srcStride, uint8_t* dst, qsizetype dstStride, int width, int height,
                float sigmaX, float sigmaY, EdgeMode edge)
{
    const AxisPlan planX = PlanAxis(sigmaX);
    const AxisPlan planY = PlanAxis(sigmaY);
    const ByteSource in{src, srcStride};
    const ByteTarget out{dst, dstStride};
    if (planX.active && planY.active) {
        const ScratchBuffer<uint16_t> mid(size_t(width) * size_t(height) * 4);
        if (!mid)
            return false;
        const ColumnPlane wide{mid.data(), size_t(height)};
        BlurRows(planX, edge, width, height, in, wide);
        BlurColumns(planY, edge, width, height, wide, out);
    } else if (planX.active) {
        BlurRows(planX, edge, width, height, in, out);
    } else if (planY.active) {
        BlurColumns(planY, edge, width, height, in, out);
    } else if (src != dst) {
        for (int y = 0; y < height; ++y)
            std::memcpy(dst + dstStride * y, src + srcStride * y, size_t(width) * sizeof(Pixel));
    }
    return true;
}

// Runs [a, b) of non-zero entries in one line of a mask.
template <typename At>
void ForEachRun(int n, At&& at, const std::function<void(int, int)>& run)
{
    for (int i = 0; i < n;) {
        if (!at(i)) {
            ++i;
            continue;
        }
        int j = i + 1;
        while (j < n && at(j))
            ++j;
        run(i, j);
        i = j;
    }
}

// Blurs the runs of one band of lines: each run is loaded with `reach`
// pixels of real input on both sides, so its values equal a whole-line blur.
template <typename Load, typename Store>
void BlurRun(const AxisPlan& plan, EdgeMode edge, int n, int cells, Lines& lines, int a, int b, Load&& load,
             Store&& store)
{
    const int lo = std::max(0, a - plan.reach);
    const int hi = std::min(n, b + plan.reach);
    BlurLine(
        plan, edge, hi - lo, cells, lines, [&](int i, int k) { return load(lo + i, k); },
        [&](int i, int k, I4 v) {
            if (lo + i >= a && lo + i < b)
                store(lo + i, k, v);
        });
}

} // namespace

Image GaussianBlur(const Image& image, float sigmaX, float sigmaY, EdgeMode edge)
{
    if (image.isNull() || std::isnan(sigmaX) || std::isnan(sigmaY))
        return {};
    QImage out = NewPixelImage(image.size());
    if (out.isNull())
        return {};
    if (!BlurPixels(image.bits(), image.stride(), out.bits(), out.bytesPerLine(), image.width(), image.height(),
                    sigmaX, sigmaY, edge))
        return {};
    return Image::adopt(std::move(out));
}

bool GaussianBlur(Surface& surface, float sigmaX, float sigmaY, EdgeMode edge)
{
    if (surface.isNull() || std::isnan(sigmaX) || std::isnan(sigmaY))
        return false;
    uint8_t* bits = surface.bits();
    return BlurPixels(bits, surface.stride(), bits, surface.stride(), surface.width(), surface.height(), sigmaX,
                      sigmaY, edge);
}

Image GaussianBlurWhere(const Image& image, float sigmaX, float sigmaY, const std::vector<uint8_t>& wanted,
                        EdgeMode edge)
{
    if (image.isNull() || std::isnan(sigmaX) || std::isnan(sigmaY))
        return {};
    const int w = image.width(), h = image.height();
    if (wanted.size() != size_t(w) * size_t(h))
        return {};
    const AxisPlan planX = PlanAxis(sigmaX);
    const AxisPlan planY = PlanAxis(sigmaY);
    QImage out = NewPixelImage(image.size());
    if (out.isNull())
        return {};
    out.fill(Qt::transparent);
    const ScratchBuffer<uint16_t> mid(size_t(w) * size_t(h) * 4);
    if (!mid)
        return {};
    const ByteSource in{image.bits(), image.stride()};
    const ByteTarget target{out.bits(), out.bytesPerLine()};
    const ColumnPlane plane{mid.data(), size_t(h)};

    // The column pass works on blocks of kLanes columns and reads `reachY`
    // rows around each wanted pixel: the row pass makes those.
    const int blocks = (w + kLanes - 1) / kLanes;
    const int reachY = planY.active ? planY.reach : 0;
    std::vector<uint8_t> blockWanted(size_t(blocks) * size_t(h), 0); // [block][row]
    std::vector<uint8_t> midWanted(size_t(blocks) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (wanted[size_t(y) * size_t(w) + size_t(x)])
                blockWanted[size_t(x / kLanes) * size_t(h) + size_t(y)] = 1;
    for (int b = 0; b < blocks; ++b) {
        const uint8_t* col = blockWanted.data() + size_t(b) * size_t(h);
        uint8_t* grown = midWanted.data() + size_t(b) * size_t(h);
        ForEachRun(h, [&](int y) { return col[y] != 0; }, [&](int y0, int y1) {
            std::fill(grown + std::max(0, y0 - reachY), grown + std::min(h, y1 + reachY), uint8_t(1));
        });
    }

    const int bands = (h + kLanes - 1) / kLanes;
    platform::ParallelForRange(0, bands, GrainFor(bands), [&](int b0, int b1) {
        Lines lines;
        for (int band = b0; band < b1; ++band) {
            const int y0 = band * kLanes;
            const int rows = std::min(kLanes, h - y0);
            const auto any = [&](int x) {
                for (int k = 0; k < rows; ++k)
                    if (midWanted[size_t(x / kLanes) * size_t(h) + size_t(y0 + k)])
                        return true;
                return false;
            };
            ForEachRun(w, any, [&](int a, int b) {
                if (planX.active)
                    BlurRun(
                        planX, edge, w, rows, lines, a, b, [&](int x, int k) { return in.load(x, y0 + k); },
                        [&](int x, int k, I4 v) { plane.store(x, y0 + k, v); });
                else
                    for (int x = a; x < b; ++x)
                        for (int k = 0; k < rows; ++k)
                            plane.store(x, y0 + k, in.load(x, y0 + k));
            });
        }
    });
    platform::ParallelForRange(0, blocks, GrainFor(blocks), [&](int b0, int b1) {
        Lines lines;
        for (int block = b0; block < b1; ++block) {
            const int x0 = block * kLanes;
            const int cols = std::min(kLanes, w - x0);
            const uint8_t* col = blockWanted.data() + size_t(block) * size_t(h);
            const auto keep = [&](int x, int y, I4 v) {
                if (wanted[size_t(y) * size_t(w) + size_t(x)])
                    target.store(x, y, v);
            };
            ForEachRun(h, [&](int y) { return col[y] != 0; }, [&](int a, int b) {
                if (planY.active)
                    BlurRun(
                        planY, edge, h, cols, lines, a, b, [&](int y, int k) { return plane.load(x0 + k, y); },
                        [&](int y, int k, I4 v) { keep(x0 + k, y, v); });
                else
                    for (int y = a; y < b; ++y)
                        for (int k = 0; k < cols; ++k)
                            keep(x0 + k, y, plane.load(x0 + k, y));
            });
        }
    });
    return Image::adopt(std::move(out));
}

} // namespace gfx
