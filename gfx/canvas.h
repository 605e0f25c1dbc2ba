#pragma once

#include "gfx/image.h"
#include "gfx/paint.h"
#include "gfx/surface.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <span>

namespace gfx {

// Draws on a Surface (QPainter underneath). Angles in radians unless the
// name says degrees. Only one canvas may be open on a surface at a time;
// read the surface's rows only after the canvas is gone or flushed.
class Canvas {
public:
    explicit Canvas(Surface& surface);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Surface& surface() { return surface_; }

    // Replaces every pixel (inside the clip) with the colour.
    void clear(const QColor& color = Qt::transparent);

    void save();
    void restore();
    void translate(double dx, double dy);
    void scale(double sx, double sy);
    void rotate(double radians);
    void rotateDegrees(double degrees);
    void concat(const QTransform& t);
    void setTransform(const QTransform& t);
    void resetTransform();
    QTransform transform() const;
    void clipRect(const QRectF& r);

    void drawImage(const Image& image, double x, double y, Sampling sampling = Sampling::Nearest,
                   const Paint* paint = nullptr);
    void drawImageRect(const Image& image, const QRectF& src, const QRectF& dst,
                       Sampling sampling = Sampling::Mitchell, const Paint* paint = nullptr);
    void drawImageRect(const Image& image, const QRectF& dst, Sampling sampling = Sampling::Mitchell,
                       const Paint* paint = nullptr);

    void drawRect(const QRectF& r, const Paint& paint);
    void drawRoundRect(const QRectF& r, double rx, double ry, const Paint& paint);
    void drawCircle(const QPointF& centre, double radius, const Paint& paint);
    void drawOval(const QRectF& r, const Paint& paint);
    void drawLine(const QPointF& a, const QPointF& b, const Paint& paint);
    void drawPolyline(std::span<const QPointF> points, const Paint& paint);
    void drawPolygon(std::span<const QPointF> points, const Paint& paint);
    void drawPath(const QPainterPath& path, const Paint& paint);
    // Text with its baseline starting at `origin`.
    void drawText(const QString& text, const QPointF& origin, const QFont& font, const Paint& paint);

    // Finishes pending drawing so that the surface's rows are current.
    void flush();

    // Escape hatch for drawing this layer does not wrap.
    QPainter& painter() { return painter_; }

private:
    template <typename Fn>
    void withPaint(const Paint& paint, Fn&& draw);
    void applyPaint(QPainter& p, const Paint& paint) const;

    Surface& surface_;
    QPainter painter_;
};

// QPainter composition mode of a blend mode the painter supports.
QPainter::CompositionMode ToCompositionMode(BlendMode mode);

} // namespace gfx
