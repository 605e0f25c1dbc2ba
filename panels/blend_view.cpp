#include "panels/blend_view.h"

#include "ui/theme.h"
#include "workspace/display_cache.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace pq {

BlendView::BlendView(QWidget* parent)
    : QWidget(parent), baseCache_(new DisplayCache(this)), compositeCache_(new DisplayCache(this))
{
    setObjectName(QStringLiteral("blendView"));
    setCursor(Qt::OpenHandCursor);
    connect(baseCache_, &DisplayCache::ready, this, qOverload<>(&QWidget::update));
    connect(compositeCache_, &DisplayCache::ready, this, qOverload<>(&QWidget::update));
}

void BlendView::setImages(const gfx::Image& base, const gfx::Image& blend)
{
    base_ = base;
    blend_ = blend;
    compositeValid_ = false;
    zoom_ = 1.0;
    moved_ = false;
    centreBase();
    update();
}

void BlendView::centreBase()
{
    if (!base_.isNull())
        pan_ = QPointF((width() - base_.width()) / 2.0, (height() - base_.height()) / 2.0);
}

void BlendView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!moved_)
        centreBase();
}

void BlendView::setBlend(gfx::CombineMode mode, float amount)
{
    if (mode == mode_ && amount == amount_)
        return;
    mode_ = mode;
    amount_ = amount;
    compositeValid_ = false;
    update();
}

gfx::Image BlendView::composite()
{
    if (!compositeValid_) {
        composite_ = base_.isNull() ? gfx::Image() : gfx::CombineImages(base_, blend_, mode_, amount_);
        compositeValid_ = true;
    }
    return composite_;
}

void BlendView::drawPicture(QPainter& p, const gfx::Image& image, DisplayCache* cache)
{
    const QRectF target(pan_, QSizeF(image.width() * zoom_, image.height() * zoom_));
    const QRectF whole(image.rect());
    const double dpr = devicePixelRatioF();
    const double scale = zoom_ * dpr;
    if (std::fabs(scale - 1.0) < 1e-9) {
        p.drawImage(target, image.qimage(), whole);
        return;
    }
    const DisplayCache::CanvasPicture view{image, scale, target.topLeft() * dpr,
                                           QSize(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)))};
    QPoint at;
    QImage picture = cache->picture(view, &at);
    if (picture.isNull()) {
        // Until the resampled picture is ready.
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(target, image.qimage(), whole);
        return;
    }
    picture.setDevicePixelRatio(dpr);
    p.drawImage(QPointF(at) / dpr, picture);
}

void BlendView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 15, 15);
    p.setClipPath(clip);
    p.fillRect(rect(), gThemeMode == ThemeMode::Light ? QColor(0xF7, 0xFA, 0xFD) : QColor(0x2A, 0x2A, 0x2A));
    if (base_.isNull() || blend_.isNull())
        return;
    const gfx::Image picture = showingBase_ ? base_ : composite();
    if (!picture.isNull())
        drawPicture(p, picture, showingBase_ ? baseCache_ : compositeCache_);
}

void BlendView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        panning_ = true;
        lastMousePos_ = event->position();
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() != Qt::RightButton) {
        return;
    }
    showingBase_ = true;
    update();
}

void BlendView::mouseMoveEvent(QMouseEvent* event)
{
    if (!panning_)
        return;
    pan_ += event->position() - lastMousePos_;
    moved_ = true;
    lastMousePos_ = event->position();
    update();
}

void BlendView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        panning_ = false;
        setCursor(Qt::OpenHandCursor);
    } else if (event->button() != Qt::RightButton) {
        return;
    }
    showingBase_ = false;
    update();
}

void BlendView::wheel(int delta, QPointF at)
{
    const double factor = delta > 0 ? 1.1 : 1.0 / 1.1;
    const double zoom = std::clamp(zoom_ * factor, kMinZoom, kMaxZoom);
    // The image point under the mouse stays there.
    pan_ = at - (at - pan_) / zoom_ * zoom;
    zoom_ = zoom;
    moved_ = true;
    update();
}

void BlendView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta != 0)
        wheel(delta, event->position());
}

} // namespace pq
