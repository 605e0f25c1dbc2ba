#include "engine/services/pixel_helpers.h"

#include "gfx/canvas.h"
#include "platform/numeric.h"
#include "platform/thread_pool.h"

#include <algorithm>
#include <array>
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
    gfx::Surface out = gfx::Surface::make(h, w);
    if (out.isNull())
        return {};
    // Row r of the result is column r of the source (clockwise) or column
    // w - 1 - r (counter-clockwise), read bottom-up or top-down. Each block
    // of result rows walks the source row by row, so reads stay sequential.
    // The rows are found from the base pointer: QImage::scanLine is not safe
    // to call from several threads at once.
    uint8_t* const base = out.bits();
    const qsizetype stride = out.stride();
    constexpr int kBlock = 64;
    platform::ParallelForRange(0, w, kBlock, [&](int lo, int hi) {
        std::array<gfx::Pixel*, kBlock> dst{};
        for (int first = lo; first < hi; first += kBlock) {
            const int last = std::min(hi, first + kBlock);
            for (int r = first; r < last; ++r)
                dst[size_t(r - first)] = reinterpret_cast<gfx::Pixel*>(base + r * stride);
            for (int c = 0; c < h; ++c) {
                const gfx::Pixel* src = image.row(clockwise ? h - 1 - c : c);
                for (int r = first; r < last; ++r)
                    dst[size_t(r - first)][c] = src[clockwise ? r : w - 1 - r];
            }
        }
    });
    // out is discarded: its pixels become the image without a copy.
    return gfx::Image::adopt(std::move(out.qimage()));
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
