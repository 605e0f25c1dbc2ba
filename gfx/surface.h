#pragma once

#include "gfx/image.h"

#include <QColor>

#include <array>

namespace gfx {

// A drawable raster surface that owns its pixels (kPixelFormat). Written by
// one thread at a time; draw on it through gfx::Canvas or its rows.
class Surface {
public:
    Surface() = default;
    Surface(Surface&&) noexcept = default;
    Surface& operator=(Surface&&) noexcept = default;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // A transparent surface; null for non-positive or absurd sizes.
    static Surface make(int width, int height);
    static Surface make(QSize size) { return make(size.width(), size.height()); }
    // A surface filled with one premultiplied pixel value.
    static Surface make(int width, int height, Pixel premultipliedFill);
    // A surface holding a copy of the image; null for a null image.
    static Surface fromImage(const Image& image);

    bool isNull() const { return image_.isNull(); }
    explicit operator bool() const { return !isNull(); }

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    QSize size() const { return image_.size(); }
    QRect rect() const { return image_.rect(); }

    uint8_t* bits() { return image_.bits(); }
    const uint8_t* bits() const { return image_.constBits(); }
    qsizetype stride() const { return image_.bytesPerLine(); }
    Pixel* row(int y) { return reinterpret_cast<Pixel*>(image_.scanLine(y)); }
    const Pixel* row(int y) const { return reinterpret_cast<const Pixel*>(image_.constScanLine(y)); }

    // Fills every pixel with an (unpremultiplied) colour.
    void clear(const QColor& color = Qt::transparent);
    void clearPixel(Pixel premultiplied);

    // A copy of the current pixels: later drawing does not change it.
    Image snapshot() const;
    // The same copy, made into the first of `buffers` nobody else holds any
    // more (a fresh 12-megapixel buffer costs more to fault in than to
    // fill), else a fresh one.
    Image snapshotReusing(std::array<QImage, 2>& buffers) const;

    // Replaces the pixels with a copy of the image (same size required).
    bool writeImage(const Image& image, int x = 0, int y = 0);

    QImage& qimage() { return image_; }
    const QImage& qimage() const { return image_; }

private:
    QImage image_;
};

} // namespace gfx
