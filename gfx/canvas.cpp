#include "gfx/canvas.h"

#include "gfx/blend.h"
#include "gfx/resample.h"

#include <QPen>
#include <cmath>

namespace gfx {

QPainter::CompositionMode ToCompositionMode(BlendMode mode)
{
    switch (mode) {
    case BlendMode::Clear: return QPainter::CompositionMode_Clear;
    case BlendMode::Src: return QPainter::CompositionMode_Source;
    case BlendMode::Dst: return QPainter::CompositionMode_Destination;
    case BlendMode::SrcOver: return QPainter::CompositionMode_SourceOver;
    case BlendMode::DstOver: return QPainter::CompositionMode_DestinationOver;
    case BlendMode::SrcIn: return QPainter::CompositionMode_SourceIn;
    case BlendMode::DstIn: return QPainter::CompositionMode_DestinationIn;
    case BlendMode::SrcOut: return QPainter::CompositionMode_SourceOut;
    case BlendMode::DstOut: return QPainter::CompositionMode_DestinationOut;
    case BlendMode::SrcATop: return QPainter::CompositionMode_SourceAtop;
    case BlendMode::DstATop: return QPainter::CompositionMode_DestinationAtop;
    case BlendMode::Xor: return QPainter::CompositionMode_Xor;
    case BlendMode::Plus: return QPainter::CompositionMode_Plus;
    case BlendMode::Screen: return QPainter::CompositionMode_Screen;
    case BlendMode::Overlay: return QPainter::CompositionMode_Overlay;
    case BlendMode::Darken: return QPainter::CompositionMode_Darken;
    case BlendMode::Lighten: return QPainter::CompositionMode_Lighten;
    case BlendMode::ColorDodge: return QPainter::CompositionMode_ColorDodge;
    case BlendMode::ColorBurn: return QPainter::CompositionMode_ColorBurn;
    case BlendMode::HardLight: return QPainter::CompositionMode_HardLight;
    case BlendMode::SoftLight: return QPainter::CompositionMode_SoftLight;
    case BlendMode::Difference: return QPainter::CompositionMode_Difference;
    case BlendMode::Exclusion: return QPainter::CompositionMode_Exclusion;
    case BlendMode::Multiply: return QPainter::CompositionMode_Multiply;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

Canvas::Canvas(Surface& surface) : surface_(surface)
{
    if (!surface_.isNull())
        painter_.begin(&surface_.qimage());
}

Canvas::~Canvas()
{
    if (painter_.isActive())
        painter_.end();
}

void Canvas::clear(const QColor& color)
{
    if (!painter_.isActive())
        return;
    painter_.save();
    painter_.resetTransform();
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.fillRect(surface_.rect(), color);
    painter_.restore();
}

void Canvas::save() { painter_.save(); }
void Canvas::restore() { painter_.restore(); }
void Canvas::translate(double dx, double dy) { painter_.translate(dx, dy); }
void Canvas::scale(double sx, double sy) { painter_.scale(sx, sy); }
void Canvas::rotate(double radians) { painter_.rotate(radians * 180.0 / M_PI); }
void Canvas::rotateDegrees(double degrees) { painter_.rotate(degrees); }
void Canvas::concat(const QTransform& t) { painter_.setTransform(t, true); }
void Canvas::setTransform(const QTransform& t) { painter_.setTransform(t); }
void Canvas::resetTransform() { painter_.resetTransform(); }
QTransform Canvas::transform() const { return painter_.transform(); }
void Canvas::clipRect(const QRectF& r) { painter_.setClipRect(r, Qt::IntersectClip); }

void Canvas::applyPaint(QPainter& p, const Paint& paint) const
{
    p.setRenderHint(QPainter::Antialiasing, paint.antiAlias);
    p.setRenderHint(QPainter::TextAntialiasing, paint.antiAlias);
    if (paint.style == Paint::Style::Fill) {
        p.setPen(Qt::NoPen);
    } else {
        QPen pen(paint.color);
        pen.setWidthF(paint.strokeWidth);
        pen.setCapStyle(paint.cap);
        pen.setJoinStyle(paint.join);
        pen.setMiterLimit(paint.miterLimit);
        p.setPen(pen);
    }
    if (paint.style == Paint::Style::Stroke)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(paint.color);
    if (IsPainterBlendMode(paint.blend))
        p.setCompositionMode(ToCompositionMode(paint.blend));
}

// Draws through QPainter directly, or into a layer that is then blended
// for the modes QPainter lacks.
template <typename Fn>
void Canvas::withPaint(const Paint& paint, Fn&& draw)
{
    if (!painter_.isActive())
        return;
    if (IsPainterBlendMode(paint.blend)) {
        painter_.save();
        applyPaint(painter_, paint);
        draw(painter_);
        painter_.restore();
        return;
    }
    QImage layer(surface_.size(), kPixelFormat);
    layer.fill(0);
    {
        QPainter lp(&layer);
        lp.setTransform(painter_.transform());
        if (painter_.hasClipping())
            lp.setClipPath(painter_.clipPath());
        Paint over = paint;
        over.blend = BlendMode::SrcOver;
        applyPaint(lp, over);
        draw(lp);
    }
    // The raster painter writes straight into the surface's buffer, so the
    // layer can be blended into the rows while the painter stays open.
    BlendLayer(surface_, layer, surface_.rect(), paint.blend);
}

void Canvas::drawImage(const Image& image, double x, double y, Sampling sampling, const Paint* paint)
{
    if (image.isNull())
        return;
    drawImageRect(image, QRectF(image.rect()), QRectF(x, y, image.width(), image.height()), sampling, paint);
}

void Canvas::drawImageRect(const Image& image, const QRectF& dst, Sampling sampling, const Paint* paint)
{
    if (image.isNull())
        return;
    drawImageRect(image, QRectF(image.rect()), dst, sampling, paint);
}

void Canvas::drawImageRect(const Image& image, const QRectF& src, const QRectF& dst, Sampling sampling,
                           const Paint* paint)
{
    if (image.isNull() || !painter_.isActive() || src.isEmpty() || dst.isEmpty())
        return;
    Paint p;
    p.color = QColor(0, 0, 0, 255);
    if (paint)
        p = *paint;
    p.style = Paint::Style::Fill;
    const double opacity = paint ? paint->color.alphaF() : 1.0;

    // Source pixel coordinates to device coordinates.
    QTransform toDst = QTransform::fromTranslate(-src.x(), -src.y());
    toDst *= QTransform::fromScale(dst.width() / src.width(), dst.height() / src.height());
    toDst *= QTransform::fromTranslate(dst.x(), dst.y());
    const QTransform device = toDst * painter_.transform();

    // The exact-copy rule (IsExactCopy): own size at whole device pixels
    // is copied, whatever the sampling named.
    const bool integerCopy = IsExactCopy(device);

    if (sampling == Sampling::Mitchell && !integerCopy) {
        // Only the visible part is resampled: a zoomed-in draw of a large
        // image would otherwise exceed the size limits and draw nothing.
        QRect visible = surface_.rect();
        if (painter_.hasClipping())
            visible &= painter_.transform().mapRect(painter_.clipBoundingRect()).toAlignedRect();
        if (visible.isEmpty())
            return;
        QPoint origin;
        const Image warped = TransformImage(image, src, device, Sampling::Mitchell, &origin, visible);
        if (warped.isNull())
            return;
        withPaint(p, [&](QPainter& qp) {
            qp.setOpacity(opacity);
            const QTransform saved = qp.transform();
            qp.resetTransform();
            qp.drawImage(QPointF(origin), warped.qimage());
            qp.setTransform(saved);
        });
        return;
    }
    withPaint(p, [&](QPainter& qp) {
        qp.setOpacity(opacity);
        qp.setRenderHint(QPainter::SmoothPixmapTransform, sampling != Sampling::Nearest && !integerCopy);
        qp.drawImage(dst, image.qimage(), src);
    });
}

void Canvas::drawRect(const QRectF& r, const Paint& paint)
{
    withPaint(paint, [&](QPainter& qp) { qp.drawRect(r); });
}

void Canvas::drawRoundRect(const QRectF& r, double rx, double ry, const Paint& paint)
{
    withPaint(paint, [&](QPainter& qp) { qp.drawRoundedRect(r, rx, ry); });
}

void Canvas::drawCircle(const QPointF& centre, double radius, const Paint& paint)
{
    withPaint(paint, [&](QPainter& qp) { qp.drawEllipse(centre, radius, radius); });
}

void Canvas::drawOval(const QRectF& r, const Paint& paint)
{
    withPaint(paint, [&](QPainter& qp) { qp.drawEllipse(r); });
}

void Canvas::drawLine(const QPointF& a, const QPointF& b, const Paint& paint)
{
    Paint p = paint;
    if (p.style == Paint::Style::Fill)
        p.style = Paint::Style::Stroke;
    withPaint(p, [&](QPainter& qp) { qp.drawLine(a, b); });
}

void Canvas::drawPolyline(std::span<const QPointF> points, const Paint& paint)
{
    if (points.size() < 2)
        return;
    Paint p = paint;
    p.style = Paint::Style::Stroke;
    withPaint(p, [&](QPainter& qp) { qp.drawPolyline(points.data(), static_cast<int>(points.size())); });
}

void Canvas::drawPolygon(std::span<const QPointF> points, const Paint& paint)
{
    if (points.size() < 3)
        return;
    withPaint(paint, [&](QPainter& qp) {
        qp.drawPolygon(points.data(), static_cast<int>(points.size()), Qt::WindingFill);
    });
}

void Canvas::drawPath(const QPainterPath& path, const Paint& paint)
{
    withPaint(paint, [&](QPainter& qp) { qp.drawPath(path); });
}

void Canvas::drawText(const QString& text, const QPointF& origin, const QFont& font, const Paint& paint)
{
    Paint p = paint;
    withPaint(p, [&](QPainter& qp) {
        qp.setFont(font);
        if (p.style == Paint::Style::Fill) {
            qp.setPen(p.color);
            qp.drawText(origin, text);
        } else {
            QPainterPath path;
            path.addText(origin, font, text);
            qp.drawPath(path);
        }
    });
}

void Canvas::flush()
{
    // The raster painter draws immediately: nothing is pending.
}

} // namespace gfx
