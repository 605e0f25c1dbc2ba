#include "gfx/surface.h"

#include "platform/run_context.h"

#include <algorithm>
#include <cstring>

namespace gfx {

Surface Surface::make(int width, int height)
{
    Surface s;
    if (!IsSaneSize(width, height))
        return s;
    QImage image(width, height, kPixelFormat);
    if (image.isNull()) {
        platform::NoteOutOfMemory();
        return s;
    }
    image.fill(0);
    s.image_ = std::move(image);
    return s;
}

Surface Surface::fromImage(const Image& image)
{
    Surface s;
    if (image.isNull())
        return s;
    s.image_ = image.qimage().copy();
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
    image_.fill(premultiplied);
}

Image Surface::snapshot() const
{
    if (isNull())
        return {};
    Image copy = Image::adopt(image_.copy());
    if (copy.isNull())
        platform::NoteOutOfMemory();
    return copy;
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
