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
    const TUiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.fillRect(rect(), palette.panel);

    const bool showSource = FRightPreview && !document_.ZIdSourceImage.isNull();
    const gfx::Image& shown = showSource ? document_.ZIdSourceImage : result;
    p.setRenderHint(QPainter::SmoothPixmapTransform, !FZooming);
    p.drawImage(DisplayedImageRect(), shown.qimage(), QRectF(shown.rect()));

    // Round corners (radius 15) on the window's frame colour, antialiased.
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath corners;
    corners.setFillRule(Qt::OddEvenFill);
    corners.addRect(QRectF(rect()));
    corners.addRoundedRect(QRectF(rect()), 15, 15);
    p.fillPath(corners, palette.frame);
}

} // namespace pq
