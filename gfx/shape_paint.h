#pragma once

#include "gfx/band_canvas.h"

#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <span>
#include <vector>

namespace gfx {

// Miter limit of shape outlines: a corner whose miter would be longer than
// this many stroke widths is bevelled.
constexpr double kOutlineMiterLimit = 4.0;

// The contours of a closed convex polygon stroked `width` wide, centred on
// its edges, with miter joins (bevelled beyond `miterLimit`): the outer
// contour, then the inner one running the other way, or the outer one alone
// when the stroke covers the whole inside. Appended to `points` and `sizes`
// in the form BandCanvas::fillContours takes. Nothing for fewer than three
// distinct corners or a width of 0 or less.
void StrokeConvexPolygon(std::span<const QPointF> polygon, double width, double miterLimit,
                         std::vector<QPointF>& points, std::vector<int>& sizes);

// Anti-aliased convex shapes painted source-over onto a BandCanvas, for
// pictures made of very many small shapes: a polygon (a rectangle, a cached
// unit path) under a similarity matrix (rotation, uniform scale,
// translation), or a disc. Outlines are centred on the shape's edge with
// butt caps and miter joins, miter limit kOutlineMiterLimit; their width is
// in the shape's own units and scales with the matrix. Colours are
// premultiplied.
void FillShape(BandCanvas& canvas, std::span<const QPointF> shape, const QTransform& matrix, Pixel color);
void StrokeShape(BandCanvas& canvas, std::span<const QPointF> shape, const QTransform& matrix, double width,
                 Pixel color);
void FillRectShape(BandCanvas& canvas, const QRectF& rect, const QTransform& matrix, Pixel color);
void StrokeRectShape(BandCanvas& canvas, const QRectF& rect, const QTransform& matrix, double width, Pixel color);
void FillDisc(BandCanvas& canvas, QPointF centre, double radius, Pixel color);
void StrokeCircle(BandCanvas& canvas, QPointF centre, double radius, double width, Pixel color);

} // namespace gfx
