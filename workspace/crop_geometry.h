#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <Qt>

namespace pq {

// Where the crop selection's parts go, in canvas coordinates. Pure
// functions: the crop widgets place themselves by them.

// The selection crop mode starts with: one pixel inside the displayed
// image on every side, rounded to whole pixels.
QRectF InitialCropSelection(const QRectF& displayedImage);

// The toolbar centred over the selection, 6 pixels above it; near the
// canvas's top it moves down onto the selection's upper edge.
QPointF CropToolbarPosition(const QRectF& selection, const QSizeF& toolbar);

// The selection's size in image pixels, as "W x H".
QString CropSizeText(const QSizeF& selection, double zoom);

// The size pill centred under the selection, or inside it above its lower
// edge when it would reach below the canvas.
QPointF SizePillPosition(const QRectF& selection, const QSizeF& pill, double canvasHeight);

// The selection's edges and corners the mouse can take.
enum class CropPart { None, Move, TopLeft, TopRight, BottomLeft, BottomRight, Top, Bottom, Left, Right };

// The cursor over the selection at a point in its own coordinates: a
// diagonal within 10 pixels of a corner, the move cursor inside.
Qt::CursorShape CropCursorAt(QPointF pos, const QSizeF& selection);

// An edge moved to the mouse (x for left and right, y for top and bottom);
// the selection keeps its bounds when that would leave it narrower or
// lower than 20 pixels.
QRectF DragCropEdge(const QRectF& selection, CropPart edge, double mouse);

// A corner moved to the mouse, keeping at least `minimum` pixels a side.
QRectF DragCropCorner(const QRectF& selection, CropPart corner, QPointF mouse, double minimum);

// The centre of an edge handle, in the selection's coordinates.
QPointF CropEdgeHandleCentre(CropPart edge, const QSizeF& selection, const QSizeF& handle);

constexpr double kMinCropEdgeSpan = 20.0;

} // namespace pq
