#include "gfx/filters.h"
#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>

namespace gfx {

Image DropShadow(const Image& image, float dx, float dy, float sigmaX, float sigmaY, const QColor& color,
                 bool shadowOnly)
{
    if (image.isNull() || !std::isfinite(dx) || !std::isfinite(dy) || std::isnan(sigmaX) || std::isnan(sigmaY))
        return {};
    const int width = image.width(), height = image.height();
    const bool blurred = sigmaX > 0.0f || sigmaY > 0.0f;
    const Image soft = blurred ? GaussianBlur(image, sigmaX, sigmaY, EdgeMode::Decal) : image;
    QImage out = NewPixelImage(image.size());
    if (soft.isNull() || out.isNull())
        return {};

    // The shadow colour, premultiplied, per unit of (blurred) source alpha.
    const float ca = float(color.alphaF());
    const px::F4 tint = px::F4{float(color.blueF()) * ca, float(color.greenF()) * ca, float(color.redF()) * ca, ca};
    // Source position of output x is x - dx: whole part and the fraction
    // for the bilinear step (zero for whole-pixel offsets).
    const double fx = std::floor(-double(dx)), fy = std::floor(-double(dy));
    const float tx = float(-double(dx) - fx), ty = float(-double(dy) - fy);
    const int ox = static_cast<int>(std::clamp(fx, -1e9, 1e9)), oy = static_cast<int>(std::clamp(fy, -1e9, 1e9));

    auto alphaAt = [&](int64_t x, int64_t y) -> float {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return 0.0f;
        return float(soft.row(int(y))[x] >> 24);
    };

    uchar* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    platform::ParallelForRange(0, height, 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const Pixel* in = image.row(y);
            Pixel* dst = reinterpret_cast<Pixel*>(base + stride * y);
            const int64_t sy = int64_t(y) + oy;
            for (int x = 0; x < width; ++x) {
                const int64_t sx = int64_t(x) + ox;
                const float top = alphaAt(sx, sy) * (1.0f - tx) + alphaAt(sx + 1, sy) * tx;
                const float bottom = alphaAt(sx, sy + 1) * (1.0f - tx) + alphaAt(sx + 1, sy + 1) * tx;
                const float alpha = top * (1.0f - ty) + bottom * ty;
                px::F4 v = tint * px::Splat(alpha);
                if (!shadowOnly) {
                    const Pixel s = in[x];
                    v = px::ToF4(s) + v * px::Splat(1.0f - float(s >> 24) * (1.0f / 255.0f));
                }
                dst[x] = px::ToPixel(v);
            }
        }
    });
    return Image::adopt(std::move(out));
}

} // namespace gfx
