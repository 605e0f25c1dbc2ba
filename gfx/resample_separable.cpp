#include "gfx/pixel_math.h"
#include "gfx/resample_detail.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gfx::resample {

using px::F4;

AxisTaps MakeTaps(int outCount, double scale, double offset, int first, int last, Sampling sampling)
{
    AxisTaps t;
    t.start.resize(size_t(outCount));
    t.count.resize(size_t(outCount));
    const double absScale = std::fabs(scale);
    const double firstCentre = scale * 0.5 + offset - 0.5;
    const bool pixelCopy = absScale == 1.0 && firstCentre == std::floor(firstCentre);

    if (sampling == Sampling::Nearest || pixelCopy) {
        t.stride = 1;
        t.weights.assign(size_t(outCount), 1.0f);
        for (int i = 0; i < outCount; ++i) {
            const double u = scale * (i + 0.5) + offset;
            t.start[size_t(i)] = std::clamp(static_cast<int>(std::floor(u)), first, last);
            t.count[size_t(i)] = 1;
        }
    } else {
        const bool cubic = sampling == Sampling::Mitchell || sampling == Sampling::CatmullRom;
        const bool catmullRom = sampling == Sampling::CatmullRom;
        const double widen = cubic && absScale > kWidenThreshold ? absScale : 1.0;
        const double support = (cubic ? 2.0 : 1.0) * widen;
        auto kernel = [&](double x) {
            if (catmullRom)
                return CatmullRom(x / widen);
            if (cubic)
                return Mitchell(x / widen);
            x = std::fabs(x);
            return x < 1.0 ? 1.0 - x : 0.0;
        };
        t.stride = std::min(last - first + 1, static_cast<int>(std::ceil(2.0 * support)) + 1);
        t.weights.assign(size_t(outCount) * size_t(t.stride), 0.0f);
        std::vector<double> w(size_t(t.stride));
        for (int i = 0; i < outCount; ++i) {
            const double c = scale * (i + 0.5) + offset - 0.5;
            const int lo = static_cast<int>(std::ceil(c - support));
            const int hi = static_cast<int>(std::floor(c + support));
            int s = std::clamp(lo, first, last);
            int e = std::clamp(hi, first, last);
            std::fill(w.begin(), w.end(), 0.0);
            double sum = 0.0;
            for (int k = lo; k <= hi; ++k) {
                const double v = kernel(k - c);
                w[size_t(std::clamp(k, first, last) - s)] += v;
                sum += v;
            }
            if (std::fabs(sum) < 1e-12) { // nothing under the filter: nearest pixel
                std::fill(w.begin(), w.end(), 0.0);
                s = e = std::clamp(static_cast<int>(std::floor(c + 0.5)), first, last);
                w[0] = sum = 1.0;
            }
            // Drop zero taps at both ends.
            int n = e - s + 1;
            int skip = 0;
            while (n > 1 && w[size_t(skip)] == 0.0) {
                ++skip;
                --n;
            }
            while (n > 1 && w[size_t(skip + n - 1)] == 0.0)
                --n;
            t.start[size_t(i)] = s + skip;
            t.count[size_t(i)] = n;
            float* out = &t.weights[size_t(i) * size_t(t.stride)];
            for (int k = 0; k < n; ++k)
                out[k] = float(w[size_t(skip + k)] / sum);
        }
    }
    t.lo = last + 1;
    t.hi = first;
    for (int i = 0; i < outCount; ++i) {
        t.lo = std::min(t.lo, t.start[size_t(i)]);
        t.hi = std::max(t.hi, t.start[size_t(i)] + t.count[size_t(i)]);
    }
    return t;
}

std::vector<float> AxisCoverage(int outCount, double scale, double offset, double lo, double hi)
{
    std::vector<float> cov(static_cast<size_t>(outCount));
    const double rate = std::fabs(scale);
    for (int i = 0; i < outCount; ++i)
        cov[size_t(i)] = EdgeCoverage(scale * (i + 0.5) + offset, rate, lo, hi);
    return cov;
}

void ResampleSeparable(const Image& src, QImage& dst, const AxisTaps& tx, const AxisTaps& ty,
                       const std::vector<float>& covX, const std::vector<float>& covY)
{
    const int width = dst.width();
    const int height = dst.height();
    uchar* const base = dst.bits();
    const qsizetype stride = dst.bytesPerLine();
    const int spanLo = tx.lo;
    const int span = tx.hi - tx.lo;

    platform::ParallelForRange(0, height, 4, [&](int y0, int y1) {
        std::vector<F4> line(static_cast<size_t>(span));
        for (int y = y0; y < y1; ++y) {
            Pixel* out = reinterpret_cast<Pixel*>(base + stride * y);
            const float cy = covY.empty() ? 1.0f : covY[size_t(y)];
            if (cy <= 0.0f) {
                std::memset(out, 0, size_t(width) * sizeof(Pixel));
                continue;
            }
            // Vertical taps into a float row of the source columns in use.
            const float* wy = &ty.weights[size_t(y) * size_t(ty.stride)];
            const int sy = ty.start[size_t(y)];
            for (int k = 0; k < ty.count[size_t(y)]; ++k) {
                const Pixel* in = src.row(sy + k) + spanLo;
                const F4 w = px::Splat(wy[k]);
                if (k == 0) {
                    for (int x = 0; x < span; ++x)
                        line[size_t(x)] = w * px::ToF4(in[x]);
                } else {
                    for (int x = 0; x < span; ++x)
                        line[size_t(x)] += w * px::ToF4(in[x]);
                }
            }
            // Horizontal taps from that row.
            for (int x = 0; x < width; ++x) {
                const float cov = covX.empty() ? cy : cy * covX[size_t(x)];
                if (cov <= 0.0f) {
                    out[x] = 0;
                    continue;
                }
                const float* wx = &tx.weights[size_t(x) * size_t(tx.stride)];
                const F4* in = line.data() + (tx.start[size_t(x)] - spanLo);
                const int n = tx.count[size_t(x)];
                F4 acc = px::Splat(wx[0]) * in[0];
                for (int k = 1; k < n; ++k)
                    acc += px::Splat(wx[k]) * in[k];
                if (cov < 1.0f)
                    acc *= px::Splat(cov);
                out[x] = px::ToPixel(acc);
            }
        }
    });
}

} // namespace gfx::resample
