#include "workspace/canvas_area.h"

#include "ui/debug_log.h"
#include "workspace/canvas_view.h"
#include "workspace/canvas_zoom.h"
#include "workspace/document.h"
#include "workspace/drop_zone.h"
#include "workspace/gallery_strip.h"
#include "workspace/workspace_layout.h"

#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace pq {

CanvasArea::CanvasArea(Document& document, QWidget* parent) : QWidget(parent), document_(document)
{
    setObjectName(QStringLiteral("workspaceArea"));
    setAttribute(Qt::WA_StyledBackground);
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);

    layout_ = new WorkspaceLayout(this);
    layout_->setObjectName(QStringLiteral("workspaceLayout"));
    fill->addWidget(layout_);

    viewport_ = new QWidget(layout_);
    viewport_->setObjectName(QStringLiteral("canvasViewport"));
    auto* viewportLayout = new QVBoxLayout(viewport_);
    viewportLayout->setContentsMargins(0, 0, 0, 0);
    canvas_ = new CanvasView(document_, viewport_);
    canvas_->setObjectName(QStringLiteral("canvasView"));
    viewportLayout->addWidget(canvas_);
    layout_->setViewport(viewport_);

    // The split view's divider: a white bar 3 wide with a soft shadow.
    divider_ = new QWidget(canvas_);
    divider_->setObjectName(QStringLiteral("divider"));
    divider_->setAttribute(Qt::WA_StyledBackground);
    divider_->setStyleSheet(QStringLiteral("#divider { background: white; }"));
    divider_->setCursor(Qt::SplitHCursor);
    auto* shadow = new QGraphicsDropShadowEffect(divider_);
    shadow->setOffset(0, 1);
    shadow->setBlurRadius(4);
    shadow->setColor(QColor(0, 0, 0, 217));
    divider_->setGraphicsEffect(shadow);
    divider_->setGeometry(0, 0, 3, 0);
    divider_->hide();
    divider_->installEventFilter(this);

    dropZone_ = new DropZone(layout_);
    dropZone_->setObjectName(QStringLiteral("dropZone"));
    layout_->setDropZone(dropZone_);
    connect(dropZone_, &DropZone::browseClicked, this, &CanvasArea::browseClicked);

    strip_ = new GalleryStrip(layout_);
    strip_->setObjectName(QStringLiteral("galleryStrip"));
    toggle_ = new GalleryToggle(layout_);
    toggle_->setObjectName(QStringLiteral("galleryToggle"));
    layout_->setGalleryStrip(strip_, toggle_);
    connect(strip_, &GalleryStrip::clicked, this, [this] { GuardedCall("toggleGallery", [this] { toggleGallery(); }); });
    connect(toggle_, &GalleryToggle::clicked, this,
            [this] { GuardedCall("toggleGallery", [this] { toggleGallery(); }); });

    zoomDebounce_.setInterval(150);
    zoomDebounce_.setSingleShot(true);
    connect(&zoomDebounce_, &QTimer::timeout, this,
            [this] { GuardedCall("zoomGestureEnded", [this] { zoomGestureEnded(); }); });
    connect(canvas_, &CanvasView::mousePressed, this, [this](Qt::MouseButton button, QPointF pos) {
        GuardedCall("canvasPressed", [&] { pressed(button, pos); });
    });
    connect(canvas_, &CanvasView::mouseMoved, this, [this](Qt::MouseButtons buttons, QPointF pos) {
        GuardedCall("canvasDragged", [&] { dragged(buttons, pos); });
    });
    connect(canvas_, &CanvasView::mouseReleased, this,
            [this](Qt::MouseButton button, QPointF) { GuardedCall("canvasReleased", [&] { released(button); }); });
    connect(canvas_, &CanvasView::wheelTurned, this,
            [this](int delta, QPointF pos) { GuardedCall("canvasWheel", [&] { wheel(delta, pos); }); });
    connect(canvas_, &CanvasView::resized, this, [this] {
        GuardedCall("canvasResized", [this] {
            updateCanvasSize();
            updateDivider();
        });
    });
    connect(canvas_, &CanvasView::doubleClicked, this, &CanvasArea::fullScreenRequested);
}

void CanvasArea::setDropHandlers(std::function<bool(const QMimeData*)> accepts,
                                 std::function<void(const QMimeData*)> drop)
{
    canvas_->acceptsDrop = accepts;
    dropZone_->acceptsDrop = accepts;
    canvas_->dropped = drop;
    dropZone_->dropped = drop;
}

QSize CanvasArea::viewportSize() const
{
    return viewport_->size();
}

bool CanvasArea::hasBothImages() const
{
    return !document_.sourceImage.isNull() && !document_.resultImage.isNull();
}

void CanvasArea::showZoom()
{
    emit zoomTextChanged(QString::number(ZoomPercent(document_.zoom)) + QStringLiteral("%"));
}

void CanvasArea::zoomStep(float newZoom, QPointF anchor)
{
    // The canvas keeps its size until the gesture ends; meanwhile it samples
    // the nearest pixel.
    canvas_->zooming = true;
    zoomDebounce_.start();
    const CanvasTransform view = ZoomAbout({document_.zoom, document_.pan}, anchor, newZoom);
    document_.zoom = view.zoom;
    document_.pan = view.pan;
    if (splitOn_) {
        // The divider keeps its screen position inside the grown or shrunk
        // image; fitting it to the viewport waits for the gesture's end.
        const QSizeF displayed = canvas_->displayedImageRect().size();
        double& x = dividerX();
        x = ClampDividerX(x, view.pan.x(), displayed.width());
        divider_->setGeometry(qRound(x - 1), qRound(view.pan.y()), 3, qRound(displayed.height()));
    }
    canvas_->update();
    showZoom();
}

void CanvasArea::zoomIn()
{
    if (!hasBothImages())
        return;
    // The anchor is the middle of what the viewport shows.
    const QSize view = viewportSize();
    zoomStep(ButtonZoomStep(document_.zoom, true), QPointF(view.width() / 2.0, view.height() / 2.0));
}

void CanvasArea::zoomOut()
{
    if (!hasBothImages())
        return;
    const QSize view = viewportSize();
    zoomStep(ButtonZoomStep(document_.zoom, false), QPointF(view.width() / 2.0, view.height() / 2.0));
}

void CanvasArea::wheel(int delta, QPointF anchor)
{
    if (!hasBothImages())
        return;
    zoomStep(WheelZoomStep(document_.zoom, delta), anchor);
}

void CanvasArea::zoomGestureEnded()
{
    canvas_->zooming = false;
    updateCanvasSize();
    if (splitOn_)
        updateDivider();
    canvas_->update();
}

void CanvasArea::fitToView()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    const CanvasTransform view = FitAndCenter(QSizeF(viewportSize()), image.size());
    document_.zoom = view.zoom;
    document_.pan = view.pan;
    updateCanvasSize();
    updateDivider();
    canvas_->update();
    showZoom();
}

void CanvasArea::centreImage()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    // The canvas is never scrolled: centred means centred in what the
    // viewport shows, however large the zoomed image is.
    document_.pan = CenteredPan(QSizeF(viewportSize()), image.size(), document_.zoom);
    updateDivider();
    canvas_->update();
}

void CanvasArea::actualSizeAndCentre()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    document_.zoom = 1.0f;
    document_.pan = CenteredPan(QSizeF(viewportSize()), image.size(), 1.0f);
    updateCanvasSize();
    updateDivider();
    canvas_->update();
    emit zoomTextChanged(QStringLiteral("100%"));
}

void CanvasArea::followWindowSize(QSize windowSize)
{
    if (windowSize == lastFitWindowSize_)
        return;
    lastFitWindowSize_ = windowSize;
    if (!document_.resultImage.isNull())
        fitToView();
}

void CanvasArea::showReplacedImage(QSize previousSize)
{
    if (document_.resultImage.isNull())
        return;
    if (document_.resultImage.size() != previousSize) {
        fitToView();
        return;
    }
    centreImage();
}

void CanvasArea::updateCanvasSize()
{
    const gfx::Image& image = document_.resultImage;
    if (image.isNull())
        return;
    canvas_->canvasSize = PaintBoxSize(image.size(), document_.zoom, viewportSize());
}

void CanvasArea::pressed(Qt::MouseButton button, QPointF pos)
{
    if (document_.resultImage.isNull())
        return;
    if (button == Qt::LeftButton) {
        canvas_->panning = true;
        lastMousePos_ = pos;
        canvas_->setCursor(Qt::SizeAllCursor);
    } else if (button == Qt::RightButton) {
        canvas_->showingSource = true;
        canvas_->update();
    }
}

void CanvasArea::dragged(Qt::MouseButtons buttons, QPointF pos)
{
    if (!draggingDivider && !canvas_->panning)
        canvas_->unsetCursor();
    if (draggingDivider) {
        const QRectF displayed = canvas_->displayedImageRect();
        dividerX() = ClampDividerX(pos.x(), displayed.x(), displayed.width());
        divider_->move(qRound(dividerX() - 1), divider_->y());
        canvas_->setCursor(Qt::SplitHCursor);
        updateDivider();
        canvas_->update();
        return;
    }
    if (!canvas_->panning)
        return;
    if (!(buttons & Qt::LeftButton)) {
        // The release happened elsewhere (another window took the mouse).
        canvas_->panning = false;
        return;
    }
    const QPointF d = pos - lastMousePos_;
    document_.pan += d;
    lastMousePos_ = pos;
    if (splitOn_) {
        dividerX() += d.x();
        divider_->move(qRound(dividerX() - 1), divider_->y());
        updateDivider();
    }
    canvas_->update();
}

void CanvasArea::released(Qt::MouseButton button)
{
    draggingDivider = false;
    if (button == Qt::LeftButton)
        canvas_->panning = false;
    if (button == Qt::RightButton) {
        canvas_->showingSource = false;
        canvas_->update();
    }
}

double& CanvasArea::dividerX()
{
    return canvas_->dividerX;
}

void CanvasArea::toggleSplitView()
{
    if (document_.resultImage.isNull())
        return;
    setSplitView(!splitOn_);
    if (splitOn_) {
        dividerX() = document_.pan.x() + document_.resultImage.width() * double(document_.zoom) / 2.0;
        updateDivider();
        canvas_->update();
    }
}

void CanvasArea::setSplitView(bool on)
{
    const bool changed = on != splitOn_;
    splitOn_ = on;
    canvas_->splitOn = on;
    divider_->setVisible(on);
    if (on)
        updateDivider();
    canvas_->update();
    if (changed)
        emit splitViewChanged(on);
}

void CanvasArea::updateDivider()
{
    if (document_.resultImage.isNull() || !splitOn_) {
        divider_->hide();
        return;
    }
    const DividerPlacement placement = PlaceDivider(dividerX(), document_.pan, canvas_->displayedImageRect().size(),
                                                    viewportSize().height());
    if (!placement.visible) {
        divider_->hide();
        return;
    }
    dividerX() = placement.dividerX;
    divider_->setGeometry(qRound(placement.dividerX - 1), qRound(placement.top), 3, qRound(placement.height));
    divider_->show();
    divider_->raise();
}

void CanvasArea::toggleGallery()
{
    const bool expand = !strip_->isExpanded();
    strip_->setExpanded(expand);
    toggle_->setExpanded(expand);
    layout_->relayout();
    canvas_->update();
}

void CanvasArea::clearGallery()
{
    const auto tiles = strip_->tileRow->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (auto it = tiles.rbegin(); it != tiles.rend(); ++it)
        delete *it;
    strip_->tileRow->resize(0, strip_->tileRow->height());
    if (strip_->isExpanded())
        toggleGallery();
}

void CanvasArea::updateDropZone()
{
    dropZone_->setVisible(document_.resultImage.isNull());
}

bool CanvasArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != divider_)
        return QWidget::eventFilter(watched, event);
    auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse)
        return false;
    const QPointF pos = divider_->mapTo(canvas_, mouse->position());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton) {
            draggingDivider = true;
            divider_->setCursor(Qt::SplitHCursor);
        }
        return true;
    case QEvent::MouseMove:
        GuardedCall("canvasDragged", [&] { dragged(mouse->buttons(), pos); });
        return true;
    case QEvent::MouseButtonRelease:
        GuardedCall("canvasReleased", [&] { released(mouse->button()); });
        return true;
    default: return false;
    }
}

} // namespace pq
