#include "app/window_edges.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace pq {
namespace {

struct Strip {
    const char* name;
    Qt::Edges edges;
    Qt::CursorShape cursor;
};

const Strip kStrips[8] = {
    {"topEdge", Qt::TopEdge, Qt::SizeVerCursor},
    {"bottomEdge", Qt::BottomEdge, Qt::SizeVerCursor},
    {"leftEdge", Qt::LeftEdge, Qt::SizeHorCursor},
    {"rightEdge", Qt::RightEdge, Qt::SizeHorCursor},
    {"topLeftCorner", Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor},
    {"topRightCorner", Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor},
    {"bottomLeftCorner", Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor},
    {"bottomRightCorner", Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor},
};

} // namespace

WindowEdges::WindowEdges(QWidget* frame) : QObject(frame), frame_(frame)
{
    for (size_t i = 0; i < strips_.size(); ++i) {
        auto* strip = new QWidget(frame);
        strip->setObjectName(QString::fromLatin1(kStrips[i].name));
        strip->setCursor(kStrips[i].cursor);
        strip->setProperty("resizeEdges", int(kStrips[i].edges));
        strip->installEventFilter(this);
        strips_[i] = strip;
    }
}

void WindowEdges::place(bool visible)
{
    const int w = frame_->width();
    const int h = frame_->height();
    constexpr int e = 5;  // edge thickness
    constexpr int c = 14; // corner size
    constexpr int titleBar = 34;
    constexpr int windowButtons = 3 * 46;
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

bool WindowEdges::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    QWindow* window = frame_->window()->windowHandle();
    const QVariant edges = watched->property("resizeEdges");
    if (!window || !edges.isValid())
        return false;
    window->startSystemResize(Qt::Edges(edges.toInt()));
    return true;
}

} // namespace pq
