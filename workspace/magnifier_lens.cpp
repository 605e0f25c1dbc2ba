#include "workspace/magnifier_lens.h"

#include "gfx/canvas.h"
#include "gfx/filters.h"
#include "gfx/resample.h"
#include "gfx/surface.h"
#include "platform/numeric.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace pq {
namespace {

using Stops = std::initializer_list<std::pair<double, QRgb>>;

QRadialGradient Gradient(QPointF centre, double radius, Stops stops)
{
    QRadialGradient gradient(centre, radius);
    gradient.setSpread(QGradient::PadSpread);
    for (const auto& [at, argb] : stops)
        gradient.setColorAt(at, QColor::fromRgba(argb));
    return gradient;
}

// Evenly spaced stops of three colours.
QRadialGradient Gradient3(QPointF centre, double radius, QRgb a, QRgb b, QRgb c)
{
    return Gradient(centre, radius, {{0.0, a}, {0.5, b}, {1.0, c}});
}

void FillWith(QPainter& p, const QRectF& area, const QRadialGradient& gradient,
              QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver)
{
    p.setCompositionMode(mode);
    p.fillRect(area, gradient);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// The remap's source pixel for every output pixel, as an offset in pixels
// from the window's first, for one window size and stride.
struct LensTable {
    int width = 0;
    int height = 0;
    qsizetype stride = 0; // in pixels
    std::vector<int32_t> offsets;
};

// The last table made: the lens keeps one size, so it is made once.
std::shared_ptr<const LensTable> LensTableFor(int width, int height, qsizetype stride)
{
    static std::mutex mutex;
    static std::shared_ptr<const LensTable> last;
    {
        std::lock_guard lock(mutex);
        if (last && last->width == width && last->height == height && last->stride == stride)
            return last;
    }
    auto table = std::make_shared<LensTable>();
    table->width = width;
    table->height = height;
    table->stride = stride;
    table->offsets.resize(size_t(width) * size_t(height));
    size_t k = 0;
    for (int i = 0; i < height; ++i)
        for (int j = 0; j < width; ++j) {
            const QPoint at = LensSample(j, i, width, height);
            table->offsets[k++] = int32_t(at.y() * stride + at.x());
        }
    std::lock_guard lock(mutex);
    last = table;
    return last;
}

// Where the frosted rim can show: inside the lens and outside the clear
// middle that the rim gradient masks away (its stops are transparent up to
// 0.65 of 1.25 r), with a few pixels to spare on both sides.
std::shared_ptr<const std::vector<uint8_t>> RimMaskFor(QSize size, QPointF centre, double radius, QPointF rimCentre)
{
    static std::mutex mutex;
    static QSize lastSize;
    static std::shared_ptr<const std::vector<uint8_t>> last;
    std::lock_guard lock(mutex);
    if (last && lastSize == size)
        return last;
    auto mask = std::make_shared<std::vector<uint8_t>>(size_t(size.width()) * size_t(size.height()), 0);
    const double outer = radius + 3.0;
    const double inner = std::max(0.0, 0.65 * 1.25 * radius - 4.0);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double dc = std::hypot(px - centre.x(), py - centre.y());
            const double dr = std::hypot(px - rimCentre.x(), py - rimCentre.y());
            (*mask)[size_t(y) * size_t(size.width()) + size_t(x)] = dc <= outer && dr >= inner;
        }
    lastSize = size;
    last = std::move(mask);
    return last;
}

} // namespace

QPointF LensWindowOrigin(QSize imageSize, QPointF spot, QSizeF window)
{
    double x0 = spot.x() * imageSize.width() - window.width() / 2.0;
    double y0 = spot.y() * imageSize.height() - window.height() / 2.0;
    x0 = std::max(0.0, x0);
    y0 = std::max(0.0, y0);
    x0 = std::min(x0, imageSize.width() - window.width());
    y0 = std::min(y0, imageSize.height() - window.height());
    return QPointF(x0, y0);
}

QPoint LensSample(int column, int row, int width, int height)
{
    const double nx = double(column) / width - 0.5;
    const double ny = double(row) / height - 0.5;
    const double r2 = nx * nx + ny * ny;
    const double k = 1.0 - (1.0 - 2.0 * r2) * 0.25;
    const int x = std::clamp(platform::Round((nx * k + 0.5) * width), 0, width - 1);
    const int y = std::clamp(platform::Round((ny * k + 0.5) * height), 0, height - 1);
    return QPoint(x, y);
}

gfx::Image LensRemap(const gfx::Image& window)
{
    if (window.isNull())
        return {};
    const int w = window.width();
    const int h = window.height();
    QImage out(w, h, gfx::kPixelFormat);
    if (out.isNull())
        return {};
    const std::shared_ptr<const LensTable> table = LensTableFor(w, h, window.stride() / qsizetype(sizeof(gfx::Pixel)));
    const int32_t* offset = table->offsets.data();
    const gfx::Pixel* const pixels = window.row(0);
    for (int i = 0; i < h; ++i) {
        auto* row = reinterpret_cast<gfx::Pixel*>(out.scanLine(i));
        for (int j = 0; j < w; ++j)
            row[j] = pixels[*offset++];
    }
    return gfx::Image::adopt(std::move(out));
}

QImage RenderMagnifier(const gfx::Image& image, QPointF spot, const LensLook& look, QSize size)
{
    QImage canvas(size, gfx::kPixelFormat);
    canvas.fill(Qt::transparent);
    if (size.isEmpty())
        return canvas;
    const double w = size.width();
    const double h = size.height();
    const QRectF area(0, 0, w, h);
    const QPointF c(w / 2.0, h / 2.0);
    const double r = std::min(w, h) / 2.0;

    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath circle;
    circle.addEllipse(c, r, r);
    p.setClipPath(circle);
    p.fillRect(area, look.darkTheme ? QColor::fromRgba(0xFF111827) : QColor::fromRgba(0xFFE8ECF2));
    if (image.isNull()) {
        p.end();
        return canvas;
    }

    if (image.width() < w || image.height() < h) {
        // Too small for a lens: the whole image, stretched, plain.
        const gfx::Image stretched = gfx::Resize(image, size.width(), size.height(), gfx::Sampling::Mitchell);
        if (!stretched.isNull())
            p.drawImage(0, 0, stretched.qimage());
        p.end();
        return canvas;
    }

    const QPointF origin = LensWindowOrigin(image.size(), spot, area.size());
    gfx::Surface window = gfx::Surface::make(size);
    if (window.isNull())
        return canvas;
    {
        // Only the window (and a pixel round it) is resampled, never the
        // whole image.
        const QRect part = QRect(int(std::floor(origin.x())) - 1, int(std::floor(origin.y())) - 1, size.width() + 3,
                                 size.height() + 3) &
                           image.rect();
        gfx::Canvas copy(window);
        copy.drawImage(image.copyRect(part), part.x() - origin.x(), part.y() - origin.y(), gfx::Sampling::Mitchell);
    }
    const gfx::Image lens = LensRemap(window.snapshot());
    p.drawImage(0, 0, lens.qimage());

    // Frosted rim: a blurred copy kept towards the rim, and a white sheen.
    {
        p.end();
        const QPointF rimCentre(c.x() + 0.18 * r, c.y() + 0.18 * r);
        const gfx::Image backdrop = gfx::GaussianBlurWhere(gfx::Image::fromQImage(canvas), 8.0f, 8.0f,
                                                           *RimMaskFor(size, c, r, rimCentre), gfx::EdgeMode::Decal);
        p.begin(&canvas);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setClipPath(circle);
        if (!backdrop.isNull()) {
            QImage layer = backdrop.toQImage().convertToFormat(gfx::kPixelFormat);
            QPainter lp(&layer);
            lp.setRenderHint(QPainter::Antialiasing, true);
            FillWith(lp, area,
                     Gradient(rimCentre, 1.25 * r,
                              {{0.0, 0x00FFFFFF}, {0.65, 0x00FFFFFF}, {0.85, 0x44FFFFFF}, {1.0, 0x99FFFFFF}}),
                     QPainter::CompositionMode_DestinationIn);
            FillWith(lp, area,
                     Gradient(rimCentre, 1.25 * r,
                              {{0.0, 0x00FFFFFF}, {0.65, 0x00FFFFFF}, {0.85, 0x23FFFFFF}, {1.0, 0x3DFFFFFF}}));
            lp.end();
            p.drawImage(0, 0, layer);
        }
    }

    // Edge shadow and inner shading.
    FillWith(p, area,
             Gradient(QPointF(c.x() + 0.35 * r, c.y() + 0.35 * r), 1.5 * r,
                      {{0.0, 0x00000000}, {0.78, 0x00000000}, {0.93, 0x1F000000}, {1.0, 0x80000000}}));
    FillWith(p, area,
             Gradient(c, r,
                      {{0.0, 0x00000000},
                       {0.35, 0x0D000000},
                       {0.65, 0x26000000},
                       {0.85, 0x1A000000},
                       {1.0, 0x00000000}}));

    // Highlights drift a little with the clock.
    const double t = look.seconds;
    const double dx = std::sin(1.2 * t) * r * 0.025;
    const double dy = std::cos(0.9 * t) * r * 0.025;
    FillWith(p, area, Gradient3(QPointF(0.3 * w + dx, 0.28 * h + dy), 0.65 * r, 0x73FFFFFF, 0x26FFFFFF, 0x00FFFFFF),
             QPainter::CompositionMode_Plus);
    FillWith(p, area, Gradient3(QPointF(0.72 * w - dx, 0.78 * h - dy), 0.36 * r, 0x66FFFFFF, 0x1AFFFFFF, 0x00FFFFFF),
             QPainter::CompositionMode_Plus);
    FillWith(p, area,
             Gradient(QPointF(-0.15 * w + dx, -0.15 * h + dy), 1.9 * r,
                      {{0.0, 0x00FFFFFF}, {0.55, 0x00FFFFFF}, {0.78, 0x2DFFFFFF}, {1.0, 0x00FFFFFF}}),
             QPainter::CompositionMode_Plus);

    // Rim line.
    p.setPen(QPen(QColor::fromRgba(0x55000000), 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
    p.end();
    return canvas;
}

QPoint PlaceMagnifier(const QRect& tile, QSize popup, int clientWidth)
{
    int left = tile.x() + tile.width() / 2 - popup.width() / 2;
    if (left < 0)
        left = 0;
    else if (left + popup.width() > clientWidth)
        left = clientWidth - popup.width();
    int top = tile.y() - popup.height() - 10;
    if (top < 0)
        top = tile.y() + tile.height() + 10;
    return QPoint(left, top);
}

} // namespace pq
