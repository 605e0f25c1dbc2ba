#include "gfx/resample.h"

#include "gfx/resample_detail.h"
#include "gfx/scratch_buffer.h"
#include "platform/thread_pool.h"

#include <optional>
#include <vector>

namespace gfx {

// The source index under the centre of each output.
std::vector<int> NearestIndices(int count, int sourceCount)
{
    std::vector<int> index(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        index[size_t(i)] = int(((2 * int64_t(i) + 1) * sourceCount) / (2 * int64_t(count)));
    return index;
}

Image ResizeNearest(const Image& image, int width, int height)
{
    if (std::optional<Image> done = resample::UnsampledResize(image, width, height))
        return *done;
    QImage dst = NewPixelImage(width, height);
    if (dst.isNull())
        return {};
    const std::vector<int> columns = NearestIndices(width, image.width());
    const std::vector<int> rows = NearestIndices(height, image.height());
    uchar* bits = dst.bits();
    const qsizetype stride = dst.bytesPerLine();
    platform::ParallelForRange(0, height, 16, [&](int lo, int hi) {
        for (int y = lo; y < hi; ++y) {
            const Pixel* in = image.row(rows[size_t(y)]);
            auto* out = reinterpret_cast<Pixel*>(bits + y * stride);
            for (int x = 0; x < width; ++x)
                out[x] = in[columns[size_t(x)]];
        }
    });
    return Image::adopt(std::move(dst));
}

} // namespace gfx
