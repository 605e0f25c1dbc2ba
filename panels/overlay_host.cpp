#include "panels/overlay_host.h"

#include "ui/dictionary.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace pq {

OverlayHost::OverlayHost(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("overlayHost"));
    hide();
}

void OverlayHost::setBackdrop(const QImage& backdrop)
{
    backdrop_ = backdrop;
    update();
}

void OverlayHost::addCentred(QWidget* panel)
{
    panel->setParent(this);
    panel_ = panel;
    placePanel();
    panel->show();
}

void OverlayHost::clearPanels()
{
    panel_ = nullptr;
    const auto children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        // Its translation records go first, so that a later panel at the
        // same address inherits none.
        ForgetComponent(child);
        delete child;
    }
}

void OverlayHost::placePanel()
{
    if (!panel_)
        return;
    const QSize room = (size() - QSize(2 * kMargin, 2 * kMargin)).expandedTo(QSize(0, 0));
    const QSize wanted = panel_->sizeHint().isValid() ? panel_->sizeHint() : panel_->size();
    // A panel of fixed size laid out at the interface scale is that size,
    // whatever its hint in design units says.
    const QSize fitted = wanted.boundedTo(room).expandedTo(panel_->minimumSize()).boundedTo(panel_->maximumSize());
    panel_->resize(fitted);
    panel_->move((width() - fitted.width()) / 2, (height() - fitted.height()) / 2);
}

void OverlayHost::paintEvent(QPaintEvent*)
{
    if (backdrop_.isNull())
        return;
    QPainter p(this);
    p.drawImage(QPointF(0, 0), backdrop_);
}

void OverlayHost::resizeEvent(QResizeEvent*)
{
    placePanel();
}

// Beside the panel the backdrop takes the mouse: nothing below reacts.
void OverlayHost::mousePressEvent(QMouseEvent* event)
{
    event->setAccepted(hasBackdrop());
}

void OverlayHost::mouseReleaseEvent(QMouseEvent* event)
{
    event->setAccepted(hasBackdrop());
}

void OverlayHost::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->setAccepted(hasBackdrop());
}

void OverlayHost::wheelEvent(QWheelEvent* event)
{
    event->setAccepted(hasBackdrop());
}

} // namespace pq
