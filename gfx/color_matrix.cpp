#include "gfx/filters.h"
#include "gfx/pixel_math.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cmath>

namespace gfx {

Image ColorMatrix(const Image& image, const std::array<float, 20>& m)
{
    if (image.isNull() || !std::all_of(m.begin(), m.end(), [](float v) { return std::isfinite(v); }))
        return {};
    QImage out = NewPixelImage(image.size());
    if (out.isNull())
        return {};

    // Column j of the matrix as a vector in pixel lane order (B, G, R, A):
    // the contribution of input channel j (R, G, B, A, then the offset).
    px::F4 column[5];
    for (int j = 0; j < 5; ++j)
        column[j] = px::F4{m[size_t(2 * 5 + j)], m[size_t(1 * 5 + j)], m[size_t(0 * 5 + j)], m[size_t(3 * 5 + j)]};

    const int width = image.width();
    uchar* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    platform::ParallelForRange(0, image.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const Pixel* in = image.row(y);
            Pixel* dst = reinterpret_cast<Pixel*>(base + stride * y);
            Pixel lastIn = 0;
            Pixel lastOut = 0;
            bool haveLast = false;
            for (int x = 0; x < width; ++x) {
                const Pixel p = in[x];
                if (haveLast && p == lastIn) { // runs of one colour are common
                    dst[x] = lastOut;
                    continue;
                }
                const px::F4 u = px::Unpremultiply(p); // B, G, R, A in 0..1
                const px::F4 v = column[0] * px::Splat(u[2]) + column[1] * px::Splat(u[1]) +
                                 column[2] * px::Splat(u[0]) + column[3] * px::Splat(u[3]) + column[4];
                lastIn = p;
                lastOut = dst[x] = px::PremultiplyToPixel(v);
                haveLast = true;
            }
        }
    });
    return Image::adopt(std::move(out));
}

} // namespace gfx
