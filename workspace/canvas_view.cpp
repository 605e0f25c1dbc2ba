#include "workspace/canvas_view.h"

#include "ui/theme_style.h"
#include "workspace/display_cache.h"
#include "workspace/document.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <cmath>

namespace pq {

namespace {

bool UnitScale(double scale)
{
    return std::fabs(scale - 1.0) < 1e-9;
}

} // namespace

CanvasView::CanvasView(Document& document, QWidget* parent)
    : QWidget(parent), document_(document), resultCache_(new DisplayCache(this)), sourceCache_(new DisplayCache(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);
    setAcceptDrops(true);
    connect(resultCache_, &DisplayCache::ready, this, qOverload<>(&QWidget::update));
    connect(sourceCache_, &DisplayCache::ready, this, qOverload<>(&QWidget::update));
}

CanvasView::~CanvasView() = default;

QRectF CanvasView::displayedImageRect() const
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return {};
    const double zoom = document_.zoom;
    return QRectF(document_.pan, QSizeF(image.width() * zoom, image.height() * zoom));
}

void CanvasView::drawLayer(QPainter& p, bool source, const QRectF& displayed)
{
    const gfx::Image& image = source ? document_.sourceImage : document_.resultImage;
    if (image.isNull())
        return;
    const QRectF whole(image.rect());
    if (image.size() != document_.resultImage.size()) {
        // A source of another size is stretched over the result's place.
        p.setRenderHint(QPainter::SmoothPixmapTransform, !zooming);
        p.drawImage(displayed, image.qimage(), whole);
        return;
    }
    if (zooming) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(displayed, image.qimage(), whole);
        return;
    }
    const double dpr = devicePixelRatioF();
    const double scale = double(document_.zoom) * dpr;
    if (UnitScale(scale)) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(displayed, image.qimage(), whole);
        return;
    }
    DisplayCache* cache = source ? sourceCache_ : resultCache_;
    const DisplayCache::CanvasPicture view{image, scale, displayed.topLeft() * dpr,
                                    QSize(int(std::ceil(width() * dpr)), int(std::ceil(height() * dpr)))};
    QPoint at;
    QImage picture = cache->picture(view, &at);
    if (picture.isNull()) {
        // Until the resampled picture is ready.
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(displayed, image.qimage(), whole);
        return;
    }
    picture.setDevicePixelRatio(dpr);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QPointF(at) / dpr, picture);
}

void CanvasView::paintEvent(QPaintEvent*)
{
    if (document_.resultImage.isNull())
        return;
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.fillRect(rect(), palette.panel);
    const QRectF displayed = displayedImageRect();

    if (showingSource && !document_.sourceImage.isNull()) {
        drawLayer(p, true, displayed);
    } else if (splitOn) {
        p.save();
        p.setClipRect(QRectF(0, 0, dividerX, height()));
        drawLayer(p, true, displayed);
        p.restore();
        p.save();
        p.setClipRect(QRectF(dividerX, 0, width() - dividerX, height()));
        drawLayer(p, false, displayed);
        p.restore();
    } else {
        drawLayer(p, false, displayed);
    }

    // Round corners (radius 15) on the window's frame colour, antialiased.
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath corners;
    corners.setFillRule(Qt::OddEvenFill);
    corners.addRect(QRectF(rect()));
    corners.addRoundedRect(QRectF(rect()), 15, 15);
    p.fillPath(corners, palette.frame);
}

void CanvasView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

void CanvasView::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button(), event->position());
}

void CanvasView::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->buttons(), event->position());
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->button(), event->position());
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

void CanvasView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta != 0)
        emit wheelTurned(delta, event->position());
}

void CanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptsDrop && acceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CanvasView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrop && acceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CanvasView::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (dropped)
        dropped(event->mimeData());
}

} // namespace pq
