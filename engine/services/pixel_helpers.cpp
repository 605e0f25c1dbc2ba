#include "engine/services/pixel_helpers.h"

#include "gfx/canvas.h"
#include "gfx/scratch_buffer.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace pq {

void CopyImageRegionToBitmap(const gfx::Image& image, QImage& bitmap, int left, int top)
{
    if (image.isNull() || bitmap.isNull() || bitmap.width() == 0 || bitmap.height() == 0)
        return;
    // The window in image coordinates, clipped to the image.
    const QRect window = QRect(left, top, bitmap.width(), bitmap.height()).intersected(image.rect());
    if (window.isEmpty())
        return;
    if (bitmap.format() != gfx::kPixelFormat) {
        bitmap.convertTo(gfx::kPixelFormat);
        if (bitmap.isNull())
            return;
    }
    const int dx = window.left() - left;
    const int dy = window.top() - top;
    const size_t rowBytes = size_t(window.width()) * sizeof(gfx::Pixel);
    for (int y = 0; y < window.height(); ++y) {
        const gfx::Pixel* src = image.row(window.top() + y) + window.left();
        auto* dst = reinterpret_cast<gfx::Pixel*>(bitmap.scanLine(dy + y)) + dx;
        std::memcpy(dst, src, rowBytes);
    }
}

gfx::Image RotateImage90(const gfx::Image& image, bool clockwise)
{
    if (image.isNull())
        return {};
    const int w = image.width();
    const int h = image.height();
    // Every pixel is written: no clearing first.
    QImage out = gfx::NewPixelImage(h, w);
    if (out.isNull())
        return {};
    // Row r of the result is column r of the source (clockwise) or column
    // w - 1 - r (counter-clockwise), read bottom-up or top-down. The work
    // goes in square tiles, so that the source rows a tile reads stay in
    // the cache while its result rows are written. The rows are found from
    // the base pointers: QImage::scanLine is not safe to call from several
    // threads at once.
    uint8_t* const base = out.bits();
    const qsizetype stride = out.bytesPerLine();
    const uint8_t* const srcBase = image.bits();
    const qsizetype srcStride = image.stride();
    constexpr int kTile = 64;
    platform::ParallelForRange(0, w, kTile, [&](int lo, int hi) {
        for (int r0 = lo; r0 < hi; r0 += kTile) {
            const int r1 = std::min(hi, r0 + kTile);
            for (int c0 = 0; c0 < h; c0 += kTile) {
                const int c1 = std::min(h, c0 + kTile);
                for (int r = r0; r < r1; ++r) {
                    auto* dst = reinterpret_cast<gfx::Pixel*>(base + r * stride);
                    const int column = clockwise ? r : w - 1 - r;
                    for (int c = c0; c < c1; ++c) {
                        const int row = clockwise ? h - 1 - c : c;
                        dst[c] = reinterpret_cast<const gfx::Pixel*>(srcBase + row * srcStride)[column];
                    }
                }
            }
        }
    });
    return gfx::Image::adopt(std::move(out));
}

gfx::Image ResizeImage(const gfx::Image& image, int width, int height)
{
    if (image.isNull())
        return {};
    gfx::Surface out = gfx::Surface::make(width, height);
    if (out.isNull())
        return {};
    {
        gfx::Canvas canvas(out);
        canvas.clear(Qt::transparent);
        canvas.scale(double(width) / image.width(), double(height) / image.height());
        canvas.drawImage(image, 0, 0, gfx::Sampling::Mitchell);
    }
    // out is discarded: its pixels become the image without a copy.
    return gfx::Image::adopt(std::move(out.qimage()));
}

double ImageDifferenceSSD(const gfx::Image& first, const gfx::Image& second)
{
    if (first.isNull() || second.isNull() || first.size() != second.size())
        return std::numeric_limits<double>::infinity();
    uint64_t sum = 0;
    for (int y = 0; y < first.height(); y += 10) {
        const gfx::Pixel* a = first.row(y);
        const gfx::Pixel* b = second.row(y);
        for (int x = 0; x < first.width(); x += 10) {
            for (int shift = 0; shift <= 16; shift += 8) {
                const int d = int((a[x] >> shift) & 0xFF) - int((b[x] >> shift) & 0xFF);
                sum += uint64_t(d * d);
            }
        }
    }
    return double(sum);
}

} // namespace pq
