#include "workspace/canvas_view.h"

#include "app/theme_style.h"
#include "workspace/document.h"

#include <QPainter>
#include <QPainterPath>

namespace pq {

TCanvasView::TCanvasView(TDocument& document, QWidget* parent) : QWidget(parent), document_(document)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QRectF TCanvasView::DisplayedImageRect() const
{
    const gfx::Image& image = document_.ZIdImage;
    if (image.isNull())
        return {};
    const double zoom = document_.FZoomFactor;
    return QRectF(document_.FPanOffset, QSizeF(image.width() * zoom, image.height() * zoom));
}

void TCanvasView::paintEvent(QPaintEvent*)
{
    const gfx::Image& result = document_.ZIdImage;
    if (result.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 15, 15);
    p.setClipPath(clip);
    p.fillRect(rect(), CurrentPalette().panel);

    const bool showSource = FRightPreview && !document_.ZIdSourceImage.isNull();
    const gfx::Image& shown = showSource ? document_.ZIdSourceImage : result;
    p.setRenderHint(QPainter::SmoothPixmapTransform, !FZooming);
    const QRectF target = DisplayedImageRect();
    p.drawImage(target, shown.qimage(), QRectF(shown.rect()));
}

} // namespace pq
