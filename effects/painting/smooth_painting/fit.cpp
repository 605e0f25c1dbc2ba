#include "effects/painting/smooth_painting/fit.h"

#include "platform/thread_pool.h"

#include <algorithm>
#include <cstring>

namespace pq {

void SmoothRowSums::build(const gfx::Image& work, int margin)
{
    const int w = work.width(), h = work.height();
    margin_ = std::max(0, margin);
    stride_ = ptrdiff_t(w) + 2 * margin_ + 1;
    const int rows = std::max(0, h) + 2 * margin_;
    uint64_t* sums = sums_.reserve(size_t(stride_) * size_t(rows));
    platform::ParallelForRange(0, rows, 8, [&](int from, int to) {
        for (int r = from; r < to; ++r) {
            uint64_t* out = sums + ptrdiff_t(r) * stride_;
            const int y = r - margin_;
            if (y < 0 || y >= h) {
                std::fill(out, out + stride_, uint64_t(0));
                continue;
            }
            std::fill(out, out + margin_ + 1, uint64_t(0));
            out += margin_ + 1;
            const gfx::Pixel* p = work.row(y);
            uint64_t s = 0;
            for (int x = 0; x < w; ++x) {
                s += uint64_t((p[x] >> 16) & 255u) | uint64_t((p[x] >> 8) & 255u) << 21 | uint64_t(p[x] & 255u) << 42;
                out[x] = s;
            }
            std::fill(out + w, out + w + margin_, s);
        }
    });
}

SmoothBrushFit LayOutSmoothBrush(const SmoothBrush& brush, ptrdiff_t pixelStride, ptrdiff_t sumStride)
{
    SmoothBrushFit fit;
    const int size = brush.size, half = size / 2;
    fit.pixels = int(brush.pixels.size());
    for (int v = 0; v < size; ++v) {
        const uint8_t* alpha = brush.alpha.data() + size_t(v) * size_t(size);
        const auto inked = [&](int u) { return u >= 0 && u < size && alpha[u] > 9; };
        int first = size, last = -1;
        for (int u = 0; u < size; ++u)
            if (inked(u)) {
                first = std::min(first, u);
                last = u;
            }
        if (first > last)
            continue;
        const ptrdiff_t rowAt = ptrdiff_t(v - half) * pixelStride - half;
        for (int u = first; u <= last;) {
            if (!inked(u)) {
                ++u;
                continue;
            }
            int end = u;
            while (inked(end))
                ++end;
            fit.runFrom.push_back(ptrdiff_t(v - half) * sumStride + (u - half));
            fit.runTo.push_back(ptrdiff_t(v - half) * sumStride + (end - half));
            u = end;
        }
        // Blocks from the row's first pixel on, the last moved left to
        // stay inside the square; what it covers twice gets alpha 0.
        for (int from = first; from <= last;) {
            const int at = std::min(from, size - kFitLanes);
            fit.blockAt.push_back(rowAt + at);
            for (int i = 0; i < kFitLanes; ++i) {
                const int u = at + i;
                fit.blockAlpha.push_back(u >= from && u <= last && inked(u) ? alpha[u] : 0u);
            }
            from = at + kFitLanes;
        }
        fit.rowEnd.push_back(int(fit.blockAt.size()));
    }
    return fit;
}

uint64_t SmoothFitSum(const uint64_t* centre, const SmoothBrushFit& fit)
{
    uint64_t s = 0;
    const size_t n = fit.runFrom.size();
    for (size_t i = 0; i < n; ++i)
        s += centre[fit.runTo[i]] - centre[fit.runFrom[i]];
    return s;
}

__attribute__((target_clones("avx2", "default"))) int64_t SmoothFitError(const gfx::Pixel* centre,
                                                                          const SmoothBrushFit& fit, int mr, int mg,
                                                                          int mb, int64_t best)
{
    using Words = uint32_t __attribute__((vector_size(4 * kFitLanes)));
    using Bytes = uint8_t __attribute__((vector_size(4 * kFitLanes)));
    const Words mean = Words{} + (uint32_t(mb) | uint32_t(mg) << 8 | uint32_t(mr) << 16);
    const Bytes m = reinterpret_cast<const Bytes&>(mean);
    const ptrdiff_t* at = fit.blockAt.data();
    const uint32_t* alpha = fit.blockAlpha.data();
    int64_t e = 0;
    size_t k = 0;
    for (const int end : fit.rowEnd) {
        Words sum = {};
        for (; k < size_t(end); ++k) {
            Bytes q;
            std::memcpy(&q, centre + at[k], sizeof(q));
            // |q - m| in every byte, the alpha byte dropped.
            const Bytes diff = (q > m ? q : m) - (q < m ? q : m);
            const Words d = reinterpret_cast<const Words&>(diff) & 0xFFFFFFu;
            Words a;
            std::memcpy(&a, alpha + k * kFitLanes, sizeof(a));
            sum += (((d & 255u) + ((d >> 8) & 255u) + (d >> 16)) * a) >> 5;
        }
        uint32_t row = 0;
        for (int i = 0; i < kFitLanes; ++i)
            row += sum[i];
        e += row;
        if (e > best)
            break;
    }
    return e;
}

} // namespace pq
