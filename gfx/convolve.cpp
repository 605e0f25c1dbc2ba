#include "gfx/filters.h"
#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <vector>

namespace gfx {
namespace {

using px::F4;

// The values one input row contributes: premultiplied channels, or the
// un-premultiplied colour in 0..255. One cell of padding on each side.
void PrepareRow(const Pixel* in, int width, bool premultiplied, EdgeMode edge, std::vector<F4>& cells)
{
    for (int x = 0; x < width; ++x) {
        const Pixel p = in[x];
        F4 v = px::ToF4(p);
        if (!premultiplied)
            v *= px::Splat(255.0f * px::kInverseAlpha[int(p >> 24)]);
        cells[size_t(x) + 1] = v;
    }
    const bool clamp = edge == EdgeMode::Clamp;
    cells[0] = clamp ? cells[1] : px::Splat(0.0f);
    cells[size_t(width) + 1] = clamp ? cells[size_t(width)] : px::Splat(0.0f);
}

} // namespace

Image Convolve3x3(const Image& image, const std::array<float, 9>& kernel, float gain, float bias, bool convolveAlpha,
                  EdgeMode edge)
{
    if (image.isNull() || !std::isfinite(gain) || !std::isfinite(bias) ||
        !std::all_of(kernel.begin(), kernel.end(), [](float k) { return std::isfinite(k); }))
        return {};
    const int width = image.width(), height = image.height();
    QImage out = NewPixelImage(image.size());
    if (out.isNull())
        return {};
    uchar* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    const F4 g = px::Splat(gain), b = px::Splat(bias * 255.0f);

    platform::ParallelForRange(0, height, 8, [&](int y0, int y1) {
        // Ring of the three input rows around the current one, keyed by the
        // (unclamped) row index; rows beyond a decal edge are zero.
        std::array<std::vector<F4>, 3> ring;
        std::array<int, 3> held = {INT_MIN, INT_MIN, INT_MIN};
        for (auto& r : ring)
            r.resize(size_t(width) + 2);
        auto rowAt = [&](int sy) -> const F4* {
            const size_t slot = size_t(((sy % 3) + 3) % 3);
            if (held[slot] != sy) {
                held[slot] = sy;
                if (edge == EdgeMode::Decal && (sy < 0 || sy >= height))
                    std::fill(ring[slot].begin(), ring[slot].end(), px::Splat(0.0f));
                else
                    PrepareRow(image.row(std::clamp(sy, 0, height - 1)), width, convolveAlpha, edge, ring[slot]);
            }
            return ring[slot].data();
        };
        for (int y = y0; y < y1; ++y) {
            const F4* rows[3] = {rowAt(y - 1), rowAt(y), rowAt(y + 1)};
            const Pixel* in = image.row(y);
            Pixel* dst = reinterpret_cast<Pixel*>(base + stride * y);
            for (int x = 0; x < width; ++x) {
                F4 acc = px::Splat(0.0f);
                for (int j = 0; j < 3; ++j)
                    for (int i = 0; i < 3; ++i)
                        acc += px::Splat(kernel[size_t(3 * j + i)]) * rows[j][x + i];
                F4 v = acc * g + b;
                if (!convolveAlpha) {
                    const float a = float(in[x] >> 24);
                    v = px::Vmin(px::Vmax(v, px::Splat(0.0f)), px::Splat(255.0f)) * px::Splat(a * (1.0f / 255.0f));
                    v[px::kAlpha] = a;
                }
                dst[x] = px::ToPixel(v);
            }
        }
    });
    return Image::adopt(std::move(out));
}

} // namespace gfx
