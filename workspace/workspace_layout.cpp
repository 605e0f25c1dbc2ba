#include "workspace/workspace_layout.h"

#include <QEvent>

namespace pq {

WorkspaceLayout::WorkspaceLayout(QWidget* parent) : QWidget(parent) {}

void WorkspaceLayout::setGalleryStrip(QWidget* strip, QWidget* toggle)
{
    strip_ = strip;
    toggle_ = toggle;
    // The strip and the tab change size when the gallery opens or closes.
    strip_->installEventFilter(this);
    toggle_->installEventFilter(this);
    relayout();
}

void WorkspaceLayout::addCentredBox(QWidget* box)
{
    centred_ << box;
    box->installEventFilter(this);
    relayout();
}

void WorkspaceLayout::relayout()
{
    if (viewport_)
        viewport_->setGeometry(rect());
    if (dropZone_) {
        dropZone_->move((width() - dropZone_->width()) / 2, (height() - dropZone_->height()) / 2 - 20);
        dropZone_->raise();
    }
    for (QWidget* box : centred_)
        box->move((width() - box->width()) / 2, (height() - box->height()) / 2);
    if (strip_ && toggle_) {
        const int stripHeight = strip_->height();
        strip_->setGeometry(0, height() - stripHeight, width() - 1, stripHeight);
        toggle_->move(width() - toggle_->width() - 1 - 12, height() - stripHeight - toggle_->height() + 4);
        strip_->raise();
        toggle_->raise();
    }
}

void WorkspaceLayout::resizeEvent(QResizeEvent*)
{
    relayout();
}

bool WorkspaceLayout::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize && watched != viewport_)
        relayout();
    return QWidget::eventFilter(watched, event);
}

} // namespace pq
