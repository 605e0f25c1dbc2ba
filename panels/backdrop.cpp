#include "panels/backdrop.h"

#include "gfx/filters.h"
#include "gfx/image.h"
#include "platform/thread_pool.h"

#include <QPainter>
#include <QHash>
#include <QPainterPath>

#include <algorithm>

namespace pq {
namespace {

constexpr float kBlurSigma = 10.0f;
constexpr int kShadeAlpha = 100;
constexpr double kCornerRadius = 15.0;

// Black at alpha 100 over every pixel: c * 155 / 255 (rounded; there are
// no ties) plus 100 of alpha.
QImage Darkened(const gfx::Image& image)
{
    QImage out(image.size(), gfx::kPixelFormat);
    if (out.isNull())
        return out;
    constexpr uint32_t kKeep = 255 - kShadeAlpha;
    uchar* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    platform::ParallelForRange(0, image.height(), 16, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const gfx::Pixel* in = image.row(y);
            auto* row = reinterpret_cast<gfx::Pixel*>(bits + stride * y);
            for (int x = 0; x < image.width(); ++x) {
                const gfx::Pixel p = in[x];
                const auto shade = [&](int shift) { return ((p >> shift & 0xFF) * kKeep + 127) / 255 << shift; };
                const uint32_t alpha = (((p >> 24) * kKeep + 127) / 255 + kShadeAlpha) << 24;
                row[x] = alpha | shade(16) | shade(8) | shade(0);
            }
        }
    });
    return out;
}

} // namespace

QImage MakeBackdrop(const QImage& grab, double scale)
{
    if (grab.isNull())
        return {};
    const gfx::Image blurred =
        gfx::GaussianBlur(gfx::Image::fromQImage(grab), kBlurSigma, kBlurSigma, gfx::EdgeMode::Clamp);
    QImage backdrop = blurred.isNull() ? QImage() : Darkened(blurred);
    if (backdrop.isNull()) {
        QImage plain = grab.convertToFormat(gfx::kPixelFormat);
        plain.setDevicePixelRatio(scale);
        return plain;
    }
    // What lies beyond the rounded corners is taken away by its anti-aliased
    // coverage, as filling the rounded shape with the picture would leave
    // it (a clip would cut it hard). Only the four corners are touched.
    const double radius = std::min({kCornerRadius * scale, backdrop.width() / 2.0, backdrop.height() / 2.0});
    const QRectF whole(backdrop.rect());
    QPainterPath beyond;
    const auto corner = [&](QPointF at, QPointF alongX, QPointF alongY, double startAngle) {
        const QPointF centre = at + alongX + alongY;
        beyond.moveTo(at);
        beyond.lineTo(at + alongX);
        beyond.arcTo(QRectF(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius)), startAngle, 90);
        beyond.closeSubpath();
    };
    corner(whole.topLeft(), {radius, 0}, {0, radius}, 90);
    corner(whole.topRight(), {0, radius}, {-radius, 0}, 0);
    corner(whole.bottomRight(), {-radius, 0}, {0, -radius}, 270);
    corner(whole.bottomLeft(), {0, -radius}, {radius, 0}, 180);
    {
        QPainter painter(&backdrop);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawPath(beyond);
    }
    backdrop.setDevicePixelRatio(scale);
    return backdrop;
}

QImage BackdropCache::backdropOf(const QImage& grab, double scale)
{
    if (grab.isNull())
        return {};
    const QImage pixels = grab.convertToFormat(gfx::kPixelFormat);
    const size_t hash = qHashBits(pixels.constBits(), size_t(pixels.sizeInBytes()));
    if (backdrop_.isNull() || hash != grabHash_ || pixels.size() != grabSize_ || scale != scale_) {
        backdrop_ = MakeBackdrop(pixels, scale);
        grabHash_ = hash;
        grabSize_ = pixels.size();
        scale_ = scale;
    }
    return backdrop_;
}

void BackdropCache::clear()
{
    backdrop_ = QImage();
    grabHash_ = 0;
}

} // namespace pq
