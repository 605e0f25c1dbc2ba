#include "workspace/crop_selection.h"

#include <QMouseEvent>
#include <QPainter>

#include <array>
#include <cmath>

namespace pq {
namespace {

// Room around the selection for the grips and handles that stand out.
constexpr int kMargin = 8;

constexpr QRgb kOverlayFill = 0x77E0E0E0;
constexpr QRgb kOverlayOutline = 0x88000000;

constexpr std::array<CropPart, 4> kEdges = {CropPart::Top, CropPart::Bottom, CropPart::Left, CropPart::Right};
constexpr std::array<CropPart, 4> kCorners = {CropPart::TopLeft, CropPart::TopRight, CropPart::BottomLeft,
                                              CropPart::BottomRight};

QPointF CornerOf(const QRectF& r, CropPart corner)
{
    switch (corner) {
    case CropPart::TopLeft: return r.topLeft();
    case CropPart::TopRight: return r.topRight();
    case CropPart::BottomLeft: return r.bottomLeft();
    default: return r.bottomRight();
    }
}

QColor FromArgb(QRgb argb)
{
    return QColor::fromRgba(argb);
}

} // namespace

CropSelection::CropSelection(QWidget* canvas) : QWidget(canvas)
{
    setObjectName(QStringLiteral("cropSelection"));
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();
}

void CropSelection::setBounds(const QRectF& bounds)
{
    const bool sameSize = bounds.size() == bounds_.size();
    bounds_ = bounds;
    setGeometry(bounds.toAlignedRect().adjusted(-kMargin, -kMargin, kMargin, kMargin));
    update();
    if (sameSize)
        emit moved();
    else
        emit resized();
}

void CropSelection::setColor(const QColor& color)
{
    color_ = color;
    update();
}

QPointF CropSelection::toCanvas(QPointF local) const
{
    return local + QPointF(pos());
}

CropPart CropSelection::partAt(QPointF canvasPos) const
{
    const double grip = kGripSize + 2;
    for (const CropPart corner : kCorners) {
        const QPointF d = canvasPos - CornerOf(bounds_, corner);
        if (std::abs(d.x()) <= grip && std::abs(d.y()) <= grip)
            return corner;
    }
    const QSizeF handle(kHandleSize, kHandleSize);
    for (const CropPart edge : kEdges) {
        const QPointF centre = bounds_.topLeft() + CropEdgeHandleCentre(edge, bounds_.size(), handle);
        const QPointF d = canvasPos - centre;
        if (std::abs(d.x()) <= kHandleSize && std::abs(d.y()) <= kHandleSize)
            return edge;
    }
    return bounds_.contains(canvasPos) ? CropPart::Move : CropPart::None;
}

void CropSelection::updateCursor(QPointF canvasPos)
{
    Qt::CursorShape shape = CropCursorAt(canvasPos - bounds_.topLeft(), bounds_.size());
    switch (partAt(canvasPos)) {
    case CropPart::Top:
    case CropPart::Bottom: shape = Qt::SizeVerCursor; break;
    case CropPart::Left:
    case CropPart::Right: shape = Qt::SizeHorCursor; break;
    default: break;
    }
    setCursor(shape);
}

void CropSelection::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = bounds_.translated(-QPointF(pos()));
    p.fillRect(r, FromArgb(kOverlayFill));
    p.setPen(QPen(FromArgb(kOverlayOutline), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(QPen(color_, 1, Qt::DashLine));
    p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));

    // Corner grips: filled squares with a dark rim.
    p.setPen(QPen(FromArgb(0xC0000000), 1));
    p.setBrush(color_);
    for (const CropPart corner : kCorners) {
        const QPointF c = CornerOf(r, corner);
        p.drawRect(QRectF(c - QPointF(kGripSize, kGripSize), QSizeF(2 * kGripSize, 2 * kGripSize)));
    }
    // Edge handles: small discs at the middle of each edge.
    const QSizeF handle(kHandleSize, kHandleSize);
    for (const CropPart edge : kEdges) {
        const QPointF c = r.topLeft() + CropEdgeHandleCentre(edge, r.size(), handle);
        p.drawEllipse(c, kHandleSize / 2 + 1, kHandleSize / 2 + 1);
    }
}

void CropSelection::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPointF at = toCanvas(event->position());
    dragging_ = partAt(at);
    if (dragging_ == CropPart::None) {
        event->ignore();
        return;
    }
    pressPos_ = at;
    pressBounds_ = bounds_;
    event->accept();
}

void CropSelection::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = toCanvas(event->position());
    if (dragging_ == CropPart::None) {
        updateCursor(at);
        return;
    }
    switch (dragging_) {
    case CropPart::Move: setBounds(pressBounds_.translated(at - pressPos_)); break;
    case CropPart::Top:
    case CropPart::Bottom: setBounds(DragCropEdge(bounds_, dragging_, at.y())); break;
    case CropPart::Left:
    case CropPart::Right: setBounds(DragCropEdge(bounds_, dragging_, at.x())); break;
    default: setBounds(DragCropCorner(pressBounds_, dragging_, at, kMinCornerSpan));
    }
}

void CropSelection::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging_ = CropPart::None;
    updateCursor(toCanvas(event->position()));
}

} // namespace pq
