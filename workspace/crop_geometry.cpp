#include "workspace/crop_geometry.h"

#include "platform/numeric.h"

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

constexpr double kToolbarGap = 6.0;
constexpr double kPillGap = 6.0;
constexpr double kNearCorner = 100.0; // squared distance: within 10 pixels

bool Near(QPointF a, QPointF b)
{
    const QPointF d = a - b;
    return d.x() * d.x() + d.y() * d.y() <= kNearCorner;
}

int Truncated(double value)
{
    if (!std::isfinite(value))
        return 0;
    return int(std::trunc(std::clamp(value, -1e9, 1e9)));
}

} // namespace

QRectF InitialCropSelection(const QRectF& d)
{
    return QRectF(platform::Round(d.left() + 1), platform::Round(d.top() + 1), platform::Round(d.width() - 2),
                  platform::Round(d.height() - 2));
}

QPointF CropToolbarPosition(const QRectF& selection, const QSizeF& toolbar)
{
    const double left = selection.left() + (selection.width() - toolbar.width()) / 2;
    double top = selection.top() - toolbar.height() - kToolbarGap;
    if (top < 16)
        top = selection.top() + kToolbarGap - std::abs(selection.top() - kToolbarGap);
    return {left, top};
}

QString CropSizeText(const QSizeF& selection, double zoom)
{
    int width = 0;
    int height = 0;
    if (zoom > 0) {
        width = Truncated(selection.width() / zoom);
        height = Truncated(selection.height() / zoom);
    } else {
        width = int(platform::Round(selection.width()));
        height = int(platform::Round(selection.height()));
    }
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

QPointF SizePillPosition(const QRectF& selection, const QSizeF& pill, double canvasHeight)
{
    const double left = selection.left() + (selection.width() - pill.width()) / 2;
    double top = selection.bottom() + kPillGap;
    if (top + pill.height() > canvasHeight)
        top = selection.bottom() - pill.height() - kPillGap;
    return {left, top};
}

Qt::CursorShape CropCursorAt(QPointF pos, const QSizeF& s)
{
    if (Near(pos, {0, 0}))
        return Qt::SizeFDiagCursor;
    if (Near(pos, {s.width(), 0}) || Near(pos, {0, s.height()}))
        return Qt::SizeBDiagCursor;
    if (Near(pos, {s.width(), s.height()}))
        return Qt::SizeFDiagCursor;
    if (pos.x() >= 0 && pos.x() <= s.width() && pos.y() >= 0 && pos.y() <= s.height())
        return Qt::SizeAllCursor;
    return Qt::ArrowCursor;
}

QRectF DragCropEdge(const QRectF& selection, CropPart edge, double mouse)
{
    QRectF moved = selection;
    switch (edge) {
    case CropPart::Top: moved.setTop(mouse); break;
    case CropPart::Bottom: moved.setBottom(mouse); break;
    case CropPart::Left: moved.setLeft(mouse); break;
    case CropPart::Right: moved.setRight(mouse); break;
    default: return selection;
    }
    const bool vertical = edge == CropPart::Top || edge == CropPart::Bottom;
    const double span = vertical ? moved.height() : moved.width();
    return span >= kMinCropEdgeSpan ? moved : selection;
}

QRectF DragCropCorner(const QRectF& selection, CropPart corner, QPointF mouse, double minimum)
{
    QRectF moved = selection;
    switch (corner) {
    case CropPart::TopLeft:
        moved.setLeft(std::min(mouse.x(), selection.right() - minimum));
        moved.setTop(std::min(mouse.y(), selection.bottom() - minimum));
        break;
    case CropPart::TopRight:
        moved.setRight(std::max(mouse.x(), selection.left() + minimum));
        moved.setTop(std::min(mouse.y(), selection.bottom() - minimum));
        break;
    case CropPart::BottomLeft:
        moved.setLeft(std::min(mouse.x(), selection.right() - minimum));
        moved.setBottom(std::max(mouse.y(), selection.top() + minimum));
        break;
    case CropPart::BottomRight:
        moved.setRight(std::max(mouse.x(), selection.left() + minimum));
        moved.setBottom(std::max(mouse.y(), selection.top() + minimum));
        break;
    default: break;
    }
    return moved;
}

QPointF CropEdgeHandleCentre(CropPart edge, const QSizeF& s, const QSizeF& h)
{
    // The handle's top-left corner, then its centre.
    QPointF corner;
    switch (edge) {
    case CropPart::Top: corner = {(s.width() - h.width()) / 2 + 2, 2 - h.height() / 2}; break;
    case CropPart::Bottom: corner = {(s.width() - h.width()) / 2 + 2, s.height() - h.height() / 2 + 2}; break;
    case CropPart::Left: corner = {2 - h.width() / 2, (s.height() - h.height()) / 2 + 2}; break;
    case CropPart::Right: corner = {s.width() - h.width() / 2 + 2, (s.height() - h.height()) / 2 + 2}; break;
    default: return {};
    }
    return corner + QPointF(h.width() / 2, h.height() / 2);
}

} // namespace pq
