#include "gfx/surface.h"

#include "gfx/scratch_buffer.h"
#include "platform/run_context.h"
#include "platform/thread_pool.h"

#include <QColorSpace>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace gfx {
namespace {

// From this size on, whole-surface fills and copies share their rows out
// between threads: one thread writing a 12-megapixel picture (and faulting
// in its pages) takes tens of milliseconds.
constexpr int64_t kParallelPixels = int64_t(1) << 18;

bool IsBig(const QImage& image)
{
    return image.format() == kPixelFormat && int64_t(image.width()) * image.height() >= kParallelPixels;
}

void FillRows(QImage& image, Pixel value)
{
    uchar* const bits = image.bits();
    if (!bits)
        return;
    const qsizetype stride = image.bytesPerLine();
    const int w = image.width();
    platform::ParallelForRange(0, image.height(), 64, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::fill_n(reinterpret_cast<Pixel*>(bits + stride * y), w, value);
    });
}

// Copies the image's pixels into `copy` (same size and format) and what
// QImage::copy keeps besides.
void CopyRowsInto(const QImage& image, QImage& copy)
{
    uchar* const bits = copy.bits();
    const qsizetype stride = copy.bytesPerLine();
    const size_t rowBytes = size_t(image.width()) * sizeof(Pixel);
    platform::ParallelForRange(0, image.height(), 64, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(bits + stride * y, image.constScanLine(y), rowBytes);
    });
    copy.setDotsPerMeterX(image.dotsPerMeterX());
    copy.setDotsPerMeterY(image.dotsPerMeterY());
    copy.setOffset(image.offset());
    copy.setColorSpace(image.colorSpace());
    for (const QString& key : image.textKeys())
        copy.setText(key, image.text(key));
}

// A copy of the image's pixels and what QImage::copy keeps besides.
QImage CopyRows(const QImage& image)
{
    QImage copy = NewPixelImage(image.width(), image.height());
    if (copy.isNull())
        return image.copy();
    CopyRowsInto(image, copy);
    return copy;
}

} // namespace

Surface Surface::make(int width, int height)
{
    return make(width, height, 0);
}

Surface Surface::make(int width, int height, Pixel premultipliedFill)
{
    Surface s;
    if (!IsSaneSize(width, height))
        return s;
    // Big surfaces come from the picture blocks (often one freed moments
    // ago, already faulted in).
    QImage image = int64_t(width) * height >= kParallelPixels ? NewPixelImage(width, height)
                                                              : QImage(width, height, kPixelFormat);
    if (image.isNull()) {
        platform::NoteOutOfMemory();
        return s;
    }
    if (IsBig(image))
        FillRows(image, premultipliedFill);
    else
        image.fill(premultipliedFill);
    s.image_ = std::move(image);
    return s;
}

Surface Surface::fromImage(const Image& image)
{
    Surface s;
    if (image.isNull())
        return s;
    s.image_ = IsBig(image.qimage()) ? CopyRows(image.qimage()) : image.qimage().copy();
    if (s.image_.isNull())
        platform::NoteOutOfMemory();
    return s;
}

void Surface::clear(const QColor& color)
{
    if (isNull())
        return;
    clearPixel(qPremultiply(color.rgba()));
}

void Surface::clearPixel(Pixel premultiplied)
{
    if (isNull())
        return;
    if (IsBig(image_))
        FillRows(image_, premultiplied);
    else
        image_.fill(premultiplied);
}

Image Surface::snapshot() const
{
    if (isNull())
        return {};
    Image copy = Image::adopt(IsBig(image_) ? CopyRows(image_) : image_.copy());
    if (copy.isNull())
        platform::NoteOutOfMemory();
    return copy;
}

Image Surface::snapshotReusing(std::array<QImage, 2>& buffers) const
{
    if (isNull())
        return {};
    QImage* buffer = nullptr;
    for (QImage& b : buffers)
        if (!buffer && (b.isNull() || b.isDetached()))
            buffer = &b;
    if (!buffer)
        return snapshot();
    // Every image made from the buffer is gone: their readers are done.
    std::atomic_thread_fence(std::memory_order_acquire);
    if (buffer->size() != image_.size() || buffer->format() != image_.format())
        *buffer = NewPixelImage(image_.width(), image_.height());
    if (buffer->isNull())
        return snapshot();
    CopyRowsInto(image_, *buffer);
    return Image::adopt(*buffer);
}

bool Surface::writeImage(const Image& image, int x, int y)
{
    if (isNull() || image.isNull())
        return false;
    const QRect target = QRect(x, y, image.width(), image.height()).intersected(rect());
    if (target.isEmpty())
        return false;
    for (int row = target.top(); row <= target.bottom(); ++row) {
        const Pixel* src = image.row(row - y) + (target.left() - x);
        std::memcpy(this->row(row) + target.left(), src, size_t(target.width()) * sizeof(Pixel));
    }
    return true;
}

} // namespace gfx
