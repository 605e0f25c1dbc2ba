#pragma once

// Building blocks of resize() and transformImage(): filter kernels, per-axis
// tap tables, the separable resampler and the general affine warp.

#include "gfx/image.h"
#include "gfx/paint.h"

#include <QImage>
#include <QTransform>

#include <optional>
#include <vector>

namespace gfx::resample {

// Mitchell-Netravali cubic with B = C = 1/3; support 2.
inline double Mitchell(double x)
{
    constexpr double kB = 1.0 / 3.0, kC = 1.0 / 3.0;
    x = x < 0 ? -x : x;
    if (x < 1.0)
        return ((12 - 9 * kB - 6 * kC) * x * x * x + (-18 + 12 * kB + 6 * kC) * x * x + (6 - 2 * kB)) / 6.0;
    if (x < 2.0)
        return ((-kB - 6 * kC) * x * x * x + (6 * kB + 30 * kC) * x * x + (-12 * kB - 48 * kC) * x + (8 * kB + 24 * kC)) /
               6.0;
    return 0.0;
}

// Catmull-Rom cubic (B = 0, C = 1/2); support 2.
inline double CatmullRom(double x)
{
    x = x < 0 ? -x : x;
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0)
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

// A shrink factor below this is treated as 1: the filter keeps its plain
// width (sub-percent shrinks do not alias visibly).
constexpr double kWidenThreshold = 1.0 + 1.0 / 64.0;

// Source taps of every output index along one axis. Output i reads source
// indices start[i] .. start[i] + count[i] - 1 with weights
// weights[i * stride + k]; the weights of one output sum to 1.
struct AxisTaps {
    std::vector<int> start;
    std::vector<int> count;
    std::vector<float> weights;
    int stride = 0;
    int lo = 0; // smallest source index any output reads
    int hi = 0; // one past the largest
};

// Output i samples the source at coordinate u = scale * (i + 0.5) + offset
// (pixel centres at k + 0.5). Source indices outside [first, last] are
// clamped to that range. The cubics widen their support by |scale| when
// they shrink; a whole axis that maps pixels 1:1 onto pixels is copied.
AxisTaps MakeTaps(int outCount, double scale, double offset, int first, int last, Sampling sampling);

// Fraction of each output pixel along one axis covered by the source interval
// [lo, hi] (in source coordinates); same mapping as makeTaps.
std::vector<float> AxisCoverage(int outCount, double scale, double offset, double lo, double hi);

// Coverage along one source axis of a pixel whose centre maps to u, when u
// grows by `rate` per device pixel: the overlap of the pixel with [lo, hi].
inline float EdgeCoverage(double u, double rate, double lo, double hi)
{
    const double half = 0.5;
    double a = (u - lo) / rate, b = (hi - u) / rate;
    a = a < half ? a : half;
    b = b < half ? b : half;
    const double c = a + b;
    return c <= 0.0 ? 0.0f : (c >= 1.0 ? 1.0f : float(c));
}

// dst(x, y) = coverage * sum of the tapped source pixels, row-parallel.
// covX / covY may be empty (full coverage). dst must be allocated.
void ResampleSeparable(const Image& src, QImage& dst, const AxisTaps& tx, const AxisTaps& ty,
                       const std::vector<float>& covX, const std::vector<float>& covY);

// The source rectangle (clip range of source indices and the coverage
// rectangle in source coordinates) a warp samples from.
struct SourceArea {
    int x0, y0, x1, y1; // inclusive index range
    double left, top, right, bottom;
};

// General affine warp: dst pixel (i, j) samples the source at
// inverse.map(origin + (i + 0.5, j + 0.5)). Row-parallel.
void WarpAffine(const Image& src, QImage& dst, QPoint origin, const QTransform& inverse, const SourceArea& area,
                Sampling sampling);

// The answer of a resize that needs no sampling: null for a null image or
// bad size, an exact copy for an unchanged size. Nothing otherwise.
std::optional<Image> UnsampledResize(const Image& image, int width, int height);

} // namespace gfx::resample
