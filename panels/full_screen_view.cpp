#include "panels/full_screen_view.h"

#include "workspace/display_cache.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pq {

FullScreenViewer::FullScreenViewer(QWidget* owner, const gfx::Image& image)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), image_(image), cache_(new DisplayCache(this))
{
    setObjectName(QStringLiteral("FullScreenForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setCursor(Qt::PointingHandCursor);
    connect(cache_, &DisplayCache::ready, this, qOverload<>(&QWidget::update));
}

QRectF FullScreenViewer::imageRect() const
{
    if (image_.isNull())
        return {};
    const double zoom = std::min({1.0, double(width()) / image_.width(), double(height()) / image_.height()});
    const QSizeF size(image_.width() * zoom, image_.height() * zoom);
    return QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void FullScreenViewer::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (image_.isNull())
        return;
    const QRectF target = imageRect();
    const double dpr = devicePixelRatioF();
    const DisplayCache::CanvasPicture view{image_, target.width() / image_.width() * dpr, target.topLeft() * dpr,
                                    QSize(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)))};
    QPoint at;
    QImage picture = std::fabs(view.scale - 1.0) < 1e-9 ? QImage() : cache_->picture(view, &at);
    if (picture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, image_.qimage(), QRectF(image_.rect()));
        return;
    }
    picture.setDevicePixelRatio(dpr);
    p.drawImage(QPointF(at) / dpr, picture);
}

void FullScreenViewer::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void FullScreenViewer::mouseReleaseEvent(QMouseEvent*)
{
    close();
}

} // namespace pq
