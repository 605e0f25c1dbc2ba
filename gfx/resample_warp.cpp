#include "gfx/pixel_math.h"
#include "gfx/resample_detail.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gfx::resample {
namespace {

using px::F4;

// The four Mitchell weights of the taps at floor(c) - 1 .. floor(c) + 2,
// t = c - floor(c); normalised to sum to 1.
void CubicWeights(float t, float w[4])
{
    const float t2 = t * t, t3 = t2 * t;
    const float s = 1.0f - t, s2 = s * s, s3 = s2 * s;
    const float p = 1.0f + t, p2 = p * p, p3 = p2 * p;
    const float q = 2.0f - t, q2 = q * q, q3 = q2 * q;
    constexpr float k_ = 1.0f / 6.0f;
    w[0] = k_ * (-7.0f / 3.0f * p3 + 12.0f * p2 - 20.0f * p + 32.0f / 3.0f);
    w[1] = k_ * (7.0f * t3 - 12.0f * t2 + 16.0f / 3.0f);
    w[2] = k_ * (7.0f * s3 - 12.0f * s2 + 16.0f / 3.0f);
    w[3] = k_ * (-7.0f / 3.0f * q3 + 12.0f * q2 - 20.0f * q + 32.0f / 3.0f);
    const float inv = 1.0f / (w[0] + w[1] + w[2] + w[3]);
    for (int i = 0; i < 4; ++i)
        w[i] *= inv;
}

// The four Catmull-Rom weights of the same taps (they sum to 1).
void CatmullRomWeights(float t, float w[4])
{
    for (int i = 0; i < 4; ++i)
        w[i] = float(CatmullRom(double(t) + 1.0 - i));
}

// Widened cubic taps around c: fills idx (clamped to [lo, hi]) and
// normalised weights; returns the tap count.
int WideTaps(double c, double widen, double (*kernel)(double), int lo, int hi, std::vector<int>& idx,
             std::vector<float>& w)
{
    const double support = 2.0 * widen;
    const int first = static_cast<int>(std::ceil(c - support));
    const int last = static_cast<int>(std::floor(c + support));
    idx.clear();
    w.clear();
    double sum = 0.0;
    for (int k = first; k <= last; ++k) {
        const double v = kernel((k - c) / widen);
        if (v == 0.0)
            continue;
        idx.push_back(std::clamp(k, lo, hi));
        w.push_back(float(v));
        sum += v;
    }
    if (idx.empty() || std::fabs(sum) < 1e-12) {
        idx.assign(1, std::clamp(static_cast<int>(std::floor(c + 0.5)), lo, hi));
        w.assign(1, 1.0f);
        return 1;
    }
    const float inv = float(1.0 / sum);
    for (float& v : w)
        v *= inv;
    return static_cast<int>(idx.size());
}

struct Sampler {
    const uchar* bits;
    qsizetype stride;
    const SourceArea& area;

    const Pixel* row(int y) const { return reinterpret_cast<const Pixel*>(bits + stride * y); }
    F4 at(int x, int y) const { return px::ToF4(row(y)[x]); }

    F4 nearest(double u, double v) const
    {
        const int x = std::clamp(static_cast<int>(std::floor(u)), area.x0, area.x1);
        const int y = std::clamp(static_cast<int>(std::floor(v)), area.y0, area.y1);
        return at(x, y);
    }

    F4 bilinear(double u, double v) const
    {
        const double cu = u - 0.5, cv = v - 0.5;
        const double fu = std::floor(cu), fv = std::floor(cv);
        const float tu = float(cu - fu), tv = float(cv - fv);
        const int xa = std::clamp(static_cast<int>(fu), area.x0, area.x1);
        const int xb = std::clamp(static_cast<int>(fu) + 1, area.x0, area.x1);
        const Pixel* ra = row(std::clamp(static_cast<int>(fv), area.y0, area.y1));
        const Pixel* rb = row(std::clamp(static_cast<int>(fv) + 1, area.y0, area.y1));
        const F4 top = px::ToF4(ra[xa]) * px::Splat(1.0f - tu) + px::ToF4(ra[xb]) * px::Splat(tu);
        const F4 bottom = px::ToF4(rb[xa]) * px::Splat(1.0f - tu) + px::ToF4(rb[xb]) * px::Splat(tu);
        return top * px::Splat(1.0f - tv) + bottom * px::Splat(tv);
    }

    F4 cubic(double u, double v, void (*weights)(float, float*)) const
    {
        const double cu = u - 0.5, cv = v - 0.5;
        const double fu = std::floor(cu), fv = std::floor(cv);
        float wx[4], wy[4];
        weights(float(cu - fu), wx);
        weights(float(cv - fv), wy);
        int xs[4];
        for (int i = 0; i < 4; ++i)
            xs[i] = std::clamp(static_cast<int>(fu) - 1 + i, area.x0, area.x1);
        F4 acc = px::Splat(0.0f);
        for (int j = 0; j < 4; ++j) {
            const Pixel* line = row(std::clamp(static_cast<int>(fv) - 1 + j, area.y0, area.y1));
            F4 r = px::ToF4(line[xs[0]]) * px::Splat(wx[0]);
            for (int i = 1; i < 4; ++i)
                r += px::ToF4(line[xs[i]]) * px::Splat(wx[i]);
            acc += r * px::Splat(wy[j]);
        }
        return acc;
    }
};

} // namespace

void WarpAffine(const Image& src, QImage& dst, QPoint origin, const QTransform& inverse, const SourceArea& area,
                Sampling sampling)
{
    // Source position of a device point (x, y): u = a x + b y + c, v = d x + e y + f.
    const double a = inverse.m11(), b = inverse.m21(), c = inverse.dx();
    const double d = inverse.m12(), e = inverse.m22(), f = inverse.dy();
    // How far u and v move per device pixel: the filter footprint and the
    // scale of the edge distances.
    const double rateU = std::hypot(a, b), rateV = std::hypot(d, e);
    const double widenU = rateU > kWidenThreshold ? rateU : 1.0;
    const double widenV = rateV > kWidenThreshold ? rateV : 1.0;
    const bool catmullRom = sampling == Sampling::CatmullRom;
    const bool wide = (sampling == Sampling::Mitchell || catmullRom) && (widenU > 1.0 || widenV > 1.0);
    double (*const kernel)(double) = catmullRom ? CatmullRom : Mitchell;
    void (*const weights)(float, float*) = catmullRom ? CatmullRomWeights : CubicWeights;

    const int width = dst.width();
    uchar* const base = dst.bits();
    const qsizetype stride = dst.bytesPerLine();
    const Sampler sampler{src.bits(), src.stride(), area};

    platform::ParallelForRange(0, dst.height(), 4, [&](int y0, int y1) {
        std::vector<int> ix, iy;
        std::vector<float> wx, wy;
        for (int y = y0; y < y1; ++y) {
            Pixel* out = reinterpret_cast<Pixel*>(base + stride * y);
            const double dy = origin.y() + y + 0.5;
            for (int x = 0; x < width; ++x) {
                const double dx = origin.x() + x + 0.5;
                const double u = a * dx + b * dy + c;
                const double v = d * dx + e * dy + f;
                const float cov = EdgeCoverage(u, rateU, area.left, area.right) *
                                  EdgeCoverage(v, rateV, area.top, area.bottom);
                if (cov <= 0.0f) {
                    out[x] = 0;
                    continue;
                }
                F4 s;
                if (sampling == Sampling::Nearest) {
                    s = sampler.nearest(u, v);
                } else if (sampling == Sampling::Linear) {
                    s = sampler.bilinear(u, v);
                } else if (!wide) {
                    s = sampler.cubic(u, v, weights);
                } else {
                    const int nx = WideTaps(u - 0.5, widenU, kernel, area.x0, area.x1, ix, wx);
                    const int ny = WideTaps(v - 0.5, widenV, kernel, area.y0, area.y1, iy, wy);
                    s = px::Splat(0.0f);
                    for (int j = 0; j < ny; ++j) {
                        const Pixel* row = sampler.row(iy[size_t(j)]);
                        F4 r = px::Splat(0.0f);
                        for (int i = 0; i < nx; ++i)
                            r += px::ToF4(row[ix[size_t(i)]]) * px::Splat(wx[size_t(i)]);
                        s += r * px::Splat(wy[size_t(j)]);
                    }
                }
                if (cov < 1.0f)
                    s *= px::Splat(cov);
                out[x] = px::ToPixel(s);
            }
        }
    });
}

} // namespace gfx::resample
