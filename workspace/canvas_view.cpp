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

bool unitScale(double scale)
{
    return std::fabs(scale - 1.0) < 1e-9;
}

} // namespace

TCanvasView::TCanvasView(TDocument& document, QWidget* parent)
    : QWidget(parent), document_(document), resultCache_(new TDisplayCache(this)), sourceCache_(new TDisplayCache(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);
    setAcceptDrops(true);
    connect(resultCache_, &TDisplayCache::ready, this, qOverload<>(&QWidget::update));
    connect(sourceCache_, &TDisplayCache::ready, this, qOverload<>(&QWidget::update));
}

TCanvasView::~TCanvasView() = default;

QRectF TCanvasView::DisplayedImageRect() const
{
    const gfx::Image& image = document_.ZIdImage;
    if (image.isNull())
        return {};
    const double zoom = document_.FZoomFactor;
    return QRectF(document_.FPanOffset, QSizeF(image.width() * zoom, image.height() * zoom));
}

void TCanvasView::drawLayer(QPainter& p, bool source, const QRectF& displayed)
{
    const gfx::Image& image = source ? document_.ZIdSourceImage : document_.ZIdImage;
    if (image.isNull())
        return;
    const QRectF whole(image.rect());
    if (image.size() != document_.ZIdImage.size()) {
        // A source of another size is stretched over the result's place.
        p.setRenderHint(QPainter::SmoothPixmapTransform, !FZooming);
        p.drawImage(displayed, image.qimage(), whole);
        return;
    }
    if (FZooming) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(displayed, image.qimage(), whole);
        return;
    }
    const double dpr = devicePixelRatioF();
    const double scale = double(document_.FZoomFactor) * dpr;
    if (unitScale(scale)) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(displayed, image.qimage(), whole);
        return;
    }
    TDisplayCache* cache = source ? sourceCache_ : resultCache_;
    const TDisplayCache::TView view{image, scale, displayed.topLeft() * dpr,
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

void TCanvasView::paintEvent(QPaintEvent*)
{
    if (document_.ZIdImage.isNull())
        return;
    const TUiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.fillRect(rect(), palette.panel);
    const QRectF displayed = DisplayedImageRect();

    if (FRightPreview && !document_.ZIdSourceImage.isNull()) {
        drawLayer(p, true, displayed);
    } else if (SplitOn) {
        p.save();
        p.setClipRect(QRectF(0, 0, FDividerX, height()));
        drawLayer(p, true, displayed);
        p.restore();
        p.save();
        p.setClipRect(QRectF(FDividerX, 0, width() - FDividerX, height()));
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

void TCanvasView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

void TCanvasView::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event->button(), event->position());
}

void TCanvasView::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->buttons(), event->position());
}

void TCanvasView::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event->button(), event->position());
}

void TCanvasView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

void TCanvasView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta != 0)
        emit wheelTurned(delta, event->position());
}

void TCanvasView::dragEnterEvent(QDragEnterEvent* event)
{
    if (AcceptsDrop && AcceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TCanvasView::dragMoveEvent(QDragMoveEvent* event)
{
    if (AcceptsDrop && AcceptsDrop(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TCanvasView::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (Dropped)
        Dropped(event->mimeData());
}

} // namespace pq
