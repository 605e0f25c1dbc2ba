#include "gfx/image_combine.h"

#include "gfx/luma.h"
#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gfx {
namespace {

using px::F4;

// The blend pixel over the base pixel, faded by m: d + (s - d * sa) * m.
inline Pixel Over(F4 d, F4 s, float m)
{
    return px::ToPixel(d + (s - d * px::Splat(s[px::kAlpha] * (1.0f / 255.0f))) * px::Splat(m));
}

// Multiply of the faded blend pixel s' = s * m with the base pixel:
// s' (1 - da) + d (1 - sa') + s' d, every channel alike.
inline Pixel Multiply(F4 d, F4 s, float m)
{
    const F4 k = px::Splat(1.0f / 255.0f);
    const F4 faded = s * px::Splat(m);
    const F4 rest = px::Splat(255.0f);
    return px::ToPixel(faded * (rest - px::Splat(d[px::kAlpha])) * k + d * (rest - px::Splat(faded[px::kAlpha])) * k +
                       faded * d * k);
}

// Whether the blend pixel is taken: its un-premultiplied luma compared with
// the base's, compared cross-multiplied by the alphas so that no division is
// needed; ties take the blend pixel.
inline bool TakesBlend(Pixel d, Pixel s, bool lighten)
{
    const auto luma = [](Pixel p) {
        return int64_t(Luma709TenThousandfold(int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)));
    };
    const int64_t ls = luma(s) * int64_t(d >> 24);
    const int64_t ld = luma(d) * int64_t(s >> 24);
    return lighten ? ls >= ld : ls <= ld;
}

void BlendRow(const Pixel* base, const Pixel* blend, Pixel* out, int count, CombineMode mode, float m)
{
    switch (mode) {
    case CombineMode::Normal:
        for (int x = 0; x < count; ++x)
            out[x] = Over(px::ToF4(base[x]), px::ToF4(blend[x]), m);
        break;
    case CombineMode::Multiply:
        for (int x = 0; x < count; ++x)
            out[x] = Multiply(px::ToF4(base[x]), px::ToF4(blend[x]), m);
        break;
    case CombineMode::Darken:
    case CombineMode::Lighten: {
        const bool lighten = mode == CombineMode::Lighten;
        for (int x = 0; x < count; ++x)
            out[x] = TakesBlend(base[x], blend[x], lighten) ? Over(px::ToF4(base[x]), px::ToF4(blend[x]), m) : base[x];
        break;
    }
    }
}

} // namespace

Image CombineImages(const Image& base, const Image& blend, CombineMode mode, float amount)
{
    if (base.isNull())
        return {};
    if (blend.isNull())
        return Image::fromQImage(base.qimage());
    const float m = std::isfinite(amount) ? std::clamp(amount, 0.0f, 1.0f) : 0.0f;
    QImage out = NewPixelImage(base.width(), base.height());
    if (out.isNull())
        return {};
    const int overlapWidth = std::min(base.width(), blend.width());
    const int overlapHeight = std::min(base.height(), blend.height());
    const size_t rowBytes = size_t(base.width()) * sizeof(Pixel);
    uchar* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    platform::ParallelForRange(0, base.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            Pixel* row = reinterpret_cast<Pixel*>(bits + stride * y);
            const Pixel* under = base.row(y);
            if (y >= overlapHeight) {
                std::memcpy(row, under, rowBytes);
                continue;
            }
            BlendRow(under, blend.row(y), row, overlapWidth, mode, m);
            if (overlapWidth < base.width())
                std::memcpy(row + overlapWidth, under + overlapWidth,
                            size_t(base.width() - overlapWidth) * sizeof(Pixel));
        }
    });
    return Image::adopt(std::move(out));
}

} // namespace gfx
