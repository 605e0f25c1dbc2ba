#include "panels/lut_preview.h"

#include "gfx/resample.h"
#include "platform/numeric.h"
#include "ui/theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace pq {

gfx::Image MakeLUTThumbnail(const gfx::Image& photo)
{
    constexpr double kSide = 540.0;
    if (photo.isNull())
        return {};
    const double scale = std::min(kSide / photo.width(), kSide / photo.height());
    if (scale >= 1.0)
        return photo;
    return gfx::Resize(photo, std::max(1, platform::Round(photo.width() * scale)),
                       std::max(1, platform::Round(photo.height() * scale)), gfx::Sampling::Mitchell);
}

std::shared_ptr<const CubeLUT> LUTParseCache::parse(const QByteArray& bytes)
{
    if (!table_ || key_ != bytes) {
        key_ = bytes;
        table_ = std::make_shared<const CubeLUT>(ParseCubeLUTFromBytes(bytes));
        ++parses_;
    }
    return table_;
}

LUTPreview::LUTPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("lutPreview"));
    setMinimumSize(200, 200);
}

void LUTPreview::setThumbnail(const gfx::Image& thumbnail)
{
    thumbnail_ = thumbnail;
    update();
}

void LUTPreview::setPreview(const gfx::Image& preview)
{
    preview_ = preview;
    update();
}

QRect FitPreviewRect(QSize image, QSize box)
{
    if (image.isEmpty() || box.isEmpty())
        return {};
    const double s = std::min(box.width() / double(image.width()), box.height() / double(image.height()));
    const QSize size(std::max(1, platform::Round(image.width() * s)), std::max(1, platform::Round(image.height() * s)));
    return QRect(QPoint((box.width() - size.width()) / 2, (box.height() - size.height()) / 2), size);
}

void LUTPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const gfx::Image& shown = showingSource_ ? thumbnail_ : preview_;
    const QRect at = shown.isNull() ? QRect() : FitPreviewRect(shown.size(), size());
    if (at.isEmpty()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromRgba(ThemedColor(0xFF263045)));
        p.drawRoundedRect(QRectF(rect()), 8, 8);
        return;
    }
    // Resampled at the screen's pixels, so nothing scales it again.
    const double ratio = devicePixelRatioF();
    const QSize pixels(std::max(1, platform::Round(at.width() * ratio)),
                       std::max(1, platform::Round(at.height() * ratio)));
    if (!scaledFrom_.sameAs(shown) || scaled_.size() != pixels) {
        scaledFrom_ = shown;
        const gfx::Image resized = gfx::Resize(shown, pixels.width(), pixels.height(), gfx::Sampling::Mitchell);
        scaled_ = resized.isNull() ? QImage() : resized.qimage();
        scaled_.setDevicePixelRatio(ratio);
    }
    p.drawImage(at.topLeft(), scaled_);
}

void LUTPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        showingSource_ = true;
        update();
    }
}

void LUTPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        showingSource_ = false;
        update();
    }
}

} // namespace pq
