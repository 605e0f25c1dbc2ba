#include "panels/brush_canvas.h"

#include "ui/debug_log.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QWheelEvent>

#include <cmath>

namespace pq {

BrushCanvas::BrushCanvas(BrushMask& mask, QWidget* mainCanvas) : QWidget(mainCanvas), mask_(mask)
{
    setObjectName(QStringLiteral("brushCanvas"));
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    followParent();
    if (mainCanvas)
        mainCanvas->installEventFilter(this);
    // The Ctrl key's state is polled while the pointer is over the canvas.
    cursorTimer_.setInterval(40);
    connect(&cursorTimer_, &QTimer::timeout, this, [this] { GuardedCall("CursorTimerTimer", [this] { cursorTick(); }); });
}

void BrushCanvas::followParent()
{
    if (QWidget* parent = parentWidget())
        setGeometry(parent->rect());
    raise();
}

bool BrushCanvas::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        followParent();
    return QWidget::eventFilter(watched, event);
}

void BrushCanvas::syncView()
{
    if (currentView)
        mask_.setView(currentView());
}

void BrushCanvas::updatePan(const BrushView& view)
{
    mask_.setView(view);
    followParent();
    update();
}

QRect BrushCanvas::ringRect(QPointF at) const
{
    const double r = mask_.brushSize() / 2.0 + 4.0;
    return QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r).toAlignedRect();
}

void BrushCanvas::updateAround(QPointF previousMouse)
{
    QRect dirty = ringRect(previousMouse) | ringRect(mouse_);
    const QRectF stamps = mask_.takeDirtyScreenRect();
    if (!stamps.isNull())
        dirty |= stamps.toAlignedRect().adjusted(-1, -1, 1, 1);
    update(dirty);
}

void BrushCanvas::paintEvent(QPaintEvent* event)
{
    syncView();
    QPainter p(this);
    if (drawing_) {
        // Only the part of the stroke inside what is being repainted.
        const QImage trail = RenderTrail(mask_.liveLayer(), mask_.liveBounds(), mask_.view(), event->rect());
        if (!trail.isNull()) {
            const BrushView& v = mask_.view();
            const QRect lb = mask_.liveBounds();
            const QRectF onScreen(v.pan.x() + lb.left() * v.zoom, v.pan.y() + lb.top() * v.zoom, lb.width() * v.zoom,
                                  lb.height() * v.zoom);
            p.drawImage((onScreen.toAlignedRect() & event->rect()).topLeft(), trail);
        }
    }
    const bool dragging = controlsDragging && controlsDragging();
    if (mouseIn_ && !dragging && !ctrlHeld_) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        const double r = mask_.brushSize() / 2.0;
        p.setPen(QPen(QColor(255, 255, 255), 1.5));
        p.drawEllipse(mouse_, r, r);
        p.setPen(QPen(QColor(0, 0, 0, 0xCC), 1.0));
        p.drawEllipse(mouse_, r + 1.5, r + 1.5);
    }
}

void BrushCanvas::mousePressEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    if (event->button() == Qt::RightButton && forwardPress)
        forwardPress(Qt::RightButton, pos);
    if (event->button() != Qt::LeftButton || (mayPaint && !mayPaint()))
        return;
    syncView();
    if (event->modifiers() & Qt::ControlModifier) {
        ctrlPanning_ = true;
        ctrlPanLast_ = pos;
        setCursor(Qt::SizeAllCursor);
        return;
    }
    drawing_ = true;
    mouse_ = pos;
    mask_.beginStroke(pos);
    updateAround(pos);
}

void BrushCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF previous = mouse_;
    mouse_ = event->position();
    ctrlHeld_ = event->modifiers() & Qt::ControlModifier;
    if (ctrlPanning_) {
        const QPointF delta = mouse_ - ctrlPanLast_;
        ctrlPanLast_ = mouse_;
        if (panBy)
            panBy(delta);
        syncView();
        update();
        return;
    }
    setCursor(ctrlHeld_ ? Qt::SizeAllCursor : Qt::ArrowCursor);
    if (drawing_) {
        syncView();
        mask_.strokeTo(mouse_);
    }
    updateAround(previous);
}

void BrushCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    if (event->button() == Qt::RightButton) {
        if (forwardRelease)
            forwardRelease(Qt::RightButton, pos);
        return;
    }
    if (ctrlPanning_) {
        ctrlPanning_ = false;
        setCursor(Qt::ArrowCursor);
        return;
    }
    if (!drawing_ || (mayPaint && !mayPaint()))
        return;
    drawing_ = false;
    syncView();
    mask_.strokeTo(pos);
    mask_.mergeStroke();
    mask_.takeDirtyScreenRect();
    update();
    if (strokeReleased)
        strokeReleased();
}

void BrushCanvas::wheelEvent(QWheelEvent* event)
{
    if (forwardWheel)
        forwardWheel(event->angleDelta().y(), event->position());
    event->accept();
    update();
}

void BrushCanvas::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    mouseIn_ = true;
    mouse_ = event->position();
    cursorTimer_.start();
    if (entered)
        entered();
}

void BrushCanvas::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    mouseIn_ = false;
    ctrlHeld_ = false;
    if (ctrlPanning_) {
        ctrlPanning_ = false;
        setCursor(Qt::ArrowCursor);
    }
    cursorTimer_.stop();
    // A stroke that leaves the canvas is kept for the next applied one.
    if (drawing_) {
        drawing_ = false;
        mask_.mergeStroke();
        mask_.takeDirtyScreenRect();
    }
    update();
}

void BrushCanvas::cursorTick()
{
    const bool ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    if (ctrl != ctrlHeld_) {
        ctrlHeld_ = ctrl;
        if (ctrl)
            setCursor(Qt::SizeAllCursor);
        else if (!ctrlPanning_)
            setCursor(Qt::ArrowCursor);
    }
    update(ringRect(mouse_));
}

} // namespace pq
