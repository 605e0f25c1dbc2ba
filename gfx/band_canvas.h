#pragma once

#include "gfx/image.h"
#include "gfx/surface.h"

#include <QPointF>

#include <span>

namespace gfx {

// How a shape's colour meets the pixels under it (premultiplied, Porter-Duff
// source-over and the separable multiply).
enum class ShapeBlend { SrcOver, Multiply };

// Anti-aliased shapes drawn straight into rows [top, bottom) of a surface;
// nothing outside those rows is read or written. Coordinates are device
// pixels (pixel (x, y) covers [x, x + 1) x [y, y + 1)). The coverage of a
// pixel depends only on the shape and the pixel, never on the row window,
// so a picture drawn window by window is the one drawn in one go.
// Colours are premultiplied; every pixel written is valid premultiplied.
class BandCanvas {
public:
    BandCanvas(Surface& surface, int top, int bottom);
    // Over raw rows (`bits` is row 0 of a width x height kPixelFormat
    // buffer), for several canvases on one surface at once.
    BandCanvas(uchar* bits, qsizetype stride, int width, int height, int top, int bottom);
    // Over a buffer holding only rows [top, bottom) of a width x height
    // picture: `bandBits` is row `top`.
    static BandCanvas overBand(uchar* bandBits, qsizetype stride, int width, int height, int top, int bottom);

    int top() const { return top_; }
    int bottom() const { return bottom_; }

    // Fills a closed polygon (convex, or simple) with exact-area coverage.
    void fillPolygon(std::span<const QPointF> points, Pixel color, ShapeBlend blend);
    // Fills several closed contours as one shape: `points` holds them one
    // after another, contourSizes their point counts. A pixel's coverage is
    // the area the contours enclose, signed by direction and clamped to 1,
    // so a contour running against the outer one cuts a hole.
    void fillContours(std::span<const QPointF> points, std::span<const int> contourSizes, Pixel color,
                      ShapeBlend blend);
    // Fills a disc.
    void fillCircle(QPointF centre, double radius, Pixel color, ShapeBlend blend);
    // Strokes a circle `width` wide, centred on the radius: the ring between
    // radius - width / 2 and radius + width / 2 (the whole disc when the
    // inner radius is 0 or less).
    void strokeCircle(QPointF centre, double radius, double width, Pixel color, ShapeBlend blend);
    // Strokes an open polyline with round caps and round joins. Widths below
    // one pixel are drawn one pixel wide with their coverage scaled by the
    // width; a width of 0 or less draws a one-pixel hairline.
    void strokePolyline(std::span<const QPointF> points, double width, Pixel color, ShapeBlend blend);

private:
    void blendRow(int y, int x0, const float* coverage, int count, Pixel color, ShapeBlend blend);
    // Blends `color` over the pixels of the window's rows that a disc of
    // radius `reach` about `centre` spans, each with the coverage
    // coverage(x, y, xc, yc) returns (xc, yc: pixel centre less `centre`).
    template <typename Coverage>
    void blendDisc(QPointF centre, double reach, Pixel color, ShapeBlend blend, Coverage coverage);

    Pixel* rowAt(int y) { return reinterpret_cast<Pixel*>(bits_ + (y - firstRow_) * stride_); }

    uchar* bits_;
    qsizetype stride_;
    int width_;
    int height_;
    int top_;
    int bottom_;
    int firstRow_ = 0; // the row bits_ holds
};

// One pixel blended: `color` with `coverage` (0..255) over `dst`.
Pixel BlendCoverage(Pixel dst, Pixel color, int coverage, ShapeBlend blend);

} // namespace gfx
