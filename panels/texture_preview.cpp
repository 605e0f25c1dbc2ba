#include "panels/texture_preview.h"

#include "engine/services/texture_overlay.h"
#include "gfx/canvas.h"
#include "gfx/surface.h"
#include "platform/numeric.h"
#include "ui/translate.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>

namespace pq {

std::optional<VisiblePart> FindVisiblePart(const QRectF& box, QSize picture, QPointF pan, double zoom)
{
    if (picture.isEmpty() || zoom <= 0)
        return std::nullopt;
    const QPointF p(-pan.x() / zoom, -pan.y() / zoom);
    const QPointF q = p + QPointF(box.width() / zoom, box.height() / zoom);
    const QRectF s(QPointF(std::max(0.0, p.x()), std::max(0.0, p.y())),
                   QPointF(std::min(double(picture.width()), q.x()), std::min(double(picture.height()), q.y())));
    const int w = platform::Round(s.width()), h = platform::Round(s.height());
    if (w <= 0 || h <= 0)
        return std::nullopt;
    VisiblePart part;
    part.source = s;
    part.dest = QRectF(QPointF(box.left() + (s.left() - p.x()) * zoom, box.top() + (s.top() - p.y()) * zoom),
                       QPointF(box.left() + (s.right() - p.x()) * zoom, box.top() + (s.bottom() - p.y()) * zoom));
    part.size = QSize(w, h);
    return part;
}

gfx::Image TexturePreviewPart(const gfx::Image& picture, const VisiblePart& part, const gfx::Image& texture,
                              double strength, float scale)
{
    gfx::Surface surface = gfx::Surface::make(part.size);
    if (surface.isNull() || picture.isNull())
        return {};
    {
        gfx::Canvas canvas(surface);
        canvas.drawImageRect(picture, part.source, QRectF(QPointF(0, 0), QSizeF(part.size)), gfx::Sampling::Linear);
    }
    if (!texture.isNull())
        PressTexture(surface, *TextureLuminanceGrid(texture), strength, scale, 0);
    return surface.snapshot();
}

TexturePreview::TexturePreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("texturePreview"));
    setFixedSize(200, 200);
}

void TexturePreview::setPicture(const gfx::Image& picture)
{
    picture_ = picture;
    firstDraw_ = true;
    update();
}

void TexturePreview::setTexture(const gfx::Image& texture, double strength, float scale)
{
    texture_ = texture;
    strength_ = strength;
    scale_ = scale;
    update();
}

void TexturePreview::zoomBy(double factor)
{
    const double next = std::clamp(zoom_ * factor, 0.1, 5.0);
    const QPointF c(width() / 2.0, height() / 2.0);
    pan_ = c - (c - pan_) * (next / zoom_);
    zoom_ = next;
    update();
}

void TexturePreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    QPainterPath clip;
    clip.addRoundedRect(box, 16, 16);
    p.setClipPath(clip);
    p.fillRect(box, QColor(0xD3, 0xD3, 0xD3));
    QFont font = p.font();
    font.setPixelSize(14);
    p.setFont(font);
    const QPointF textAt(box.left() + box.width() / 2 - 60, box.top() + box.height() / 2);
    if (picture_.isNull()) {
        p.setPen(QColor(0xA9, 0xA9, 0xA9));
        p.drawText(textAt, Translate(QStringLiteral("No image loaded")));
        return;
    }
    if (firstDraw_) {
        pan_ = QPointF((box.width() - picture_.width()) / 2, (box.height() - picture_.height()) / 2);
        firstDraw_ = false;
    }
    const std::optional<VisiblePart> part = FindVisiblePart(box, picture_.size(), pan_, zoom_);
    if (!part)
        return;
    const gfx::Image shown = TexturePreviewPart(picture_, *part, texture_, strength_, scale_);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!shown.isNull())
        p.drawImage(part->dest, shown.qimage());
    if (texture_.isNull()) {
        p.setPen(Qt::white);
        p.drawText(textAt, Translate(QStringLiteral("Select a texture")));
    }
}

void TexturePreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    panning_ = true;
    lastMouse_ = event->position();
    setCursor(Qt::SizeAllCursor);
}

void TexturePreview::mouseMoveEvent(QMouseEvent* event)
{
    if (!panning_)
        return;
    pan_ += event->position() - lastMouse_;
    lastMouse_ = event->position();
    update();
}

void TexturePreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    panning_ = false;
    unsetCursor();
}

void TexturePreview::wheelEvent(QWheelEvent* event)
{
    const double factor = event->angleDelta().y() > 0 ? 1.1 : 1 / 1.1;
    zoomBy(factor);
    if (event->modifiers() & Qt::ControlModifier)
        emit scaleWheel(factor);
    event->accept();
}

} // namespace pq
