#include "app/window_edges.h"

#include "app/window_geometry.h"
#include "ui/interface_scale.h"

#include <QMouseEvent>
#include <QWidget>

namespace pq {
namespace {

struct Strip {
    const char* name;
    ResizeTag tag;
    Qt::CursorShape cursor;
};

const Strip kStrips[8] = {
    {"topEdge", ResizeTag::Top, Qt::SizeVerCursor},
    {"bottomEdge", ResizeTag::Bottom, Qt::SizeVerCursor},
    {"leftEdge", ResizeTag::Left, Qt::SizeHorCursor},
    {"rightEdge", ResizeTag::Right, Qt::SizeHorCursor},
    {"topLeftCorner", ResizeTag::TopLeft, Qt::SizeFDiagCursor},
    {"topRightCorner", ResizeTag::TopRight, Qt::SizeBDiagCursor},
    {"bottomLeftCorner", ResizeTag::BottomLeft, Qt::SizeBDiagCursor},
    {"bottomRightCorner", ResizeTag::BottomRight, Qt::SizeFDiagCursor},
};

} // namespace

WindowEdges::WindowEdges(QWidget* frame) : QObject(frame), frame_(frame)
{
    for (size_t i = 0; i < strips_.size(); ++i) {
        auto* strip = new QWidget(frame);
        strip->setObjectName(QString::fromLatin1(kStrips[i].name));
        strip->setCursor(kStrips[i].cursor);
        strip->setProperty("resizeTag", int(kStrips[i].tag));
        strip->installEventFilter(this);
        strips_[i] = strip;
    }
}

QWidget* WindowEdges::strip(ResizeTag tag) const
{
    const int index = int(tag) - 1;
    return index >= 0 && index < int(strips_.size()) ? strips_[size_t(index)] : nullptr;
}

void WindowEdges::place(bool visible)
{
    const int w = frame_->width();
    const int h = frame_->height();
    const int e = Units(5);  // edge thickness
    const int c = Units(14); // corner size
    const int titleBar = Units(34);
    const int windowButtons = Units(3 * 46);
    strips_[0]->setGeometry(c, 0, w - 2 * c - windowButtons, e);
    strips_[1]->setGeometry(c, h - e, w - 2 * c, e);
    strips_[2]->setGeometry(0, c, e, h - 2 * c);
    strips_[3]->setGeometry(w - e, titleBar, e, h - titleBar - c);
    strips_[4]->setGeometry(0, 0, c, c);
    strips_[5]->setGeometry(w - c, 0, c, e); // stays under the close button
    strips_[6]->setGeometry(0, h - c, c, c);
    strips_[7]->setGeometry(w - c, h - c, c, c);
    for (QWidget* strip : strips_) {
        strip->setVisible(visible);
        strip->raise();
    }
}

void WindowEdges::follow(QPointF globalMouse)
{
    QWidget* window = frame_->window();
    const auto tag = ResizeTag(resizing_->property("resizeTag").toInt());
    const QRectF bounds = ComputeResizeBounds(tag, startBounds_, globalMouse - startPoint_, window->minimumSize());
    window->setGeometry(RoundedBounds(bounds));
}

bool WindowEdges::eventFilter(QObject* watched, QEvent* event)
{
    auto* strip = qobject_cast<QWidget*>(watched);
    const QEvent::Type type = event->type();
    if (!strip || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease))
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton)
            return false;
        resizing_ = strip;
        startPoint_ = mouse->globalPosition();
        startBounds_ = frame_->window()->geometry();
        if (resizingChanged)
            resizingChanged(true);
        return true;
    }
    if (resizing_ != strip)
        return false;
    // The strip holds the mouse from the press to the release.
    follow(mouse->globalPosition());
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        resizing_ = nullptr;
        if (resizingChanged)
            resizingChanged(false);
        place(strip->isVisible());
    }
    return true;
}

} // namespace pq
