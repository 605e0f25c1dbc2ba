#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <memory>

namespace gfx {

// One pixel as stored: 0xAARRGGBB, premultiplied (bytes B, G, R, A in memory).
using Pixel = uint32_t;

constexpr QImage::Format kPixelFormat = QImage::Format_ARGB32_Premultiplied;

// Largest image the graphics layer makes: 2^28 pixels (1 GiB of pixels),
// and at most 65535 pixels on a side.
constexpr int kMaxSide = 65535;
constexpr int64_t kMaxPixels = int64_t(1) << 28;
bool IsSaneSize(int width, int height);

// An immutable raster image. Cheap to copy, safe to share between threads.
// Every image made gets a unique id, so history and gallery can compare
// images by identity.
class Image {
public:
    Image() = default;

    // Converts any QImage to the engine layout; the pixels are copied, so the
    // image never depends on the caller's buffer.
    static Image fromQImage(const QImage& image);
    // Takes a QImage already in kPixelFormat that nobody else will write to.
    static Image adopt(QImage image);

    bool isNull() const { return !d_; }
    explicit operator bool() const { return static_cast<bool>(d_); }

    int width() const;
    int height() const;
    QSize size() const;
    QRect rect() const;

    const uint8_t* bits() const;
    qsizetype stride() const;
    const Pixel* row(int y) const;
    Pixel pixel(int x, int y) const { return row(y)[x]; }

    uint64_t id() const;
    bool sameAs(const Image& other) const { return id() == other.id(); }

    // True when every alpha is 255. Computed once and cached.
    bool isOpaque() const;

    // Read-only QImage sharing these pixels (Qt copies on write).
    QImage toQImage() const;
    const QImage& qimage() const;

    // Copy of a rectangle, clipped to the image; null when nothing is left.
    Image copyRect(const QRect& r) const;

private:
    struct Data;
    explicit Image(std::shared_ptr<const Data> d) : d_(std::move(d)) {}
    std::shared_ptr<const Data> d_;
};

} // namespace gfx
