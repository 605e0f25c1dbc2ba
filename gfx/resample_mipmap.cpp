#include "gfx/resample.h"
#include "gfx/scratch_buffer.h"

#include <algorithm>
#include <cmath>

namespace gfx {
namespace {

// The image halved with a 2 x 2 box; a last odd row or column is dropped.
Image Halve(const Image& image)
{
    const int w = std::max(image.width() / 2, 1), h = std::max(image.height() / 2, 1);
    QImage out = NewPixelImage(w, h);
    if (out.isNull())
        return {};
    for (int y = 0; y < h; ++y) {
        const Pixel* r0 = image.row(std::min(2 * y, image.height() - 1));
        const Pixel* r1 = image.row(std::min(2 * y + 1, image.height() - 1));
        auto* dst = reinterpret_cast<Pixel*>(out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int x0 = std::min(2 * x, image.width() - 1), x1 = std::min(2 * x + 1, image.width() - 1);
            Pixel p = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                const uint32_t sum = ((r0[x0] >> shift) & 255u) + ((r0[x1] >> shift) & 255u) +
                                     ((r1[x0] >> shift) & 255u) + ((r1[x1] >> shift) & 255u);
                p |= ((sum + 2u) / 4u) << shift;
            }
            dst[x] = p;
        }
    }
    return Image::adopt(std::move(out));
}

} // namespace

Image ResizeMipmapped(const Image& image, int width, int height)
{
    if (image.isNull() || !IsSaneSize(width, height))
        return {};
    const double shrink = std::max(double(image.width()) / width, double(image.height()) / height);
    int levels = shrink > 1.0 ? int(std::floor(std::log2(shrink) + 0.5)) : 0;
    Image level = image;
    for (; levels > 0 && (level.width() > 1 || level.height() > 1) && !level.isNull(); --levels)
        level = Halve(level);
    if (level.isNull())
        return {};
    return Resize(level, width, height, Sampling::Linear);
}

} // namespace gfx
