#include "gfx/image.h"

#include "platform/run_context.h"

#include <atomic>

namespace gfx {

namespace {
std::atomic<uint64_t> gNextId{1};
}

bool IsSaneSize(int width, int height)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           int64_t(width) * int64_t(height) <= kMaxPixels;
}

struct Image::Data {
    QImage image;
    uint64_t id = 0;
    // 0 unknown, 1 opaque, 2 not opaque
    mutable std::atomic<int> opaque{0};
};

Image Image::fromQImage(const QImage& image)
{
    if (image.isNull())
        return {};
    QImage converted = image.format() == kPixelFormat ? image.copy() : image.convertToFormat(kPixelFormat);
    if (converted.isNull()) {
        platform::NoteOutOfMemory();
        return {};
    }
    return adopt(std::move(converted));
}

Image Image::adopt(QImage image)
{
    if (image.isNull())
        return {};
    if (image.format() != kPixelFormat)
        image = image.convertToFormat(kPixelFormat);
    if (image.isNull()) {
        platform::NoteOutOfMemory();
        return {};
    }
    auto d = std::make_shared<Data>();
    d->image = std::move(image);
    d->id = gNextId.fetch_add(1, std::memory_order_relaxed);
    return Image(std::move(d));
}

int Image::width() const { return d_ ? d_->image.width() : 0; }
int Image::height() const { return d_ ? d_->image.height() : 0; }
QSize Image::size() const { return d_ ? d_->image.size() : QSize(); }
QRect Image::rect() const { return QRect(QPoint(0, 0), size()); }
const uint8_t* Image::bits() const { return d_ ? d_->image.constBits() : nullptr; }
qsizetype Image::stride() const { return d_ ? d_->image.bytesPerLine() : 0; }

const Pixel* Image::row(int y) const
{
    return reinterpret_cast<const Pixel*>(d_->image.constScanLine(y));
}

uint64_t Image::id() const { return d_ ? d_->id : 0; }

bool Image::isOpaque() const
{
    if (!d_)
        return false;
    int state = d_->opaque.load(std::memory_order_relaxed);
    if (state == 0) {
        bool opaque = true;
        for (int y = 0; y < height() && opaque; ++y) {
            const Pixel* p = row(y);
            for (int x = 0; x < width(); ++x)
                if ((p[x] >> 24) != 255) {
                    opaque = false;
                    break;
                }
        }
        state = opaque ? 1 : 2;
        d_->opaque.store(state, std::memory_order_relaxed);
    }
    return state == 1;
}

QImage Image::toQImage() const { return d_ ? d_->image : QImage(); }

const QImage& Image::qimage() const
{
    static const QImage kEmpty;
    return d_ ? d_->image : kEmpty;
}

Image Image::copyRect(const QRect& r) const
{
    if (!d_)
        return {};
    const QRect clipped = r.intersected(rect());
    if (clipped.isEmpty())
        return {};
    QImage copy = d_->image.copy(clipped);
    if (copy.isNull()) {
        platform::NoteOutOfMemory();
        return {};
    }
    return adopt(std::move(copy));
}

} // namespace gfx
