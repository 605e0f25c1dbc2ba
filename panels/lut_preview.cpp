#include "panels/lut_preview.h"

#include "gfx/resample.h"
#include "platform/numeric.h"

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

void LUTPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const gfx::Image& shown = showingSource_ ? thumbnail_ : preview_;
    if (shown.isNull() || shown.width() <= 0 || shown.height() <= 0) {
        p.fillRect(rect(), QColor(0x26, 0x30, 0x45));
        return;
    }
    const double s = std::min(width() / double(shown.width()), height() / double(shown.height()));
    const QSizeF size(shown.width() * s, shown.height() * s);
    const QRectF at(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(at, shown.qimage());
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
