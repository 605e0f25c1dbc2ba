#include "panels/frame_preview.h"

#include "gfx/canvas.h"
#include "gfx/resample.h"
#include "gfx/surface.h"
#include "platform/numeric.h"

#include <QPainter>

#include <algorithm>

namespace pq {
namespace {

constexpr QRgb kPreviewGround = 0xFFD3D3D3;
// The picture is kept at twice the box's size, for a sharp preview at
// any margin.
constexpr int kPreviewPictureSide = 400;

} // namespace

gfx::Image MakeScaledThumb(const gfx::Image& picture, int longest)
{
    if (picture.isNull())
        return {};
    const double s = double(longest) / std::max(picture.width(), picture.height());
    if (s >= 1.0)
        return picture;
    const int w = std::max(1, platform::Round(picture.width() * s));
    const int h = std::max(1, platform::Round(picture.height() * s));
    return gfx::Resize(picture, w, h, gfx::Sampling::Mitchell);
}

gfx::Image MakeMatThumbnail(QRgb marginColor, int margin, QSize picture)
{
    constexpr int kSide = 240;
    const double w = std::max(1, picture.width()), h = std::max(1, picture.height());
    const double m = std::max(0, margin);
    const double fx = m > 0 ? m / (w + 2 * m) : 0.0;
    const double fy = m > 0 ? m / (h + 2 * m) : 0.0;
    gfx::Surface surface = gfx::Surface::make(kSide, kSide);
    if (surface.isNull())
        return {};
    {
        gfx::Canvas canvas(surface);
        canvas.drawRect(QRectF(0, 0, kSide, kSide), gfx::Paint::fill(QColor::fromRgba(marginColor)));
        const QRectF window = QRectF(0, 0, kSide, kSide).adjusted(fx * kSide, fy * kSide, -fx * kSide, -fy * kSide);
        if (!window.isEmpty())
            canvas.drawRect(window, gfx::Paint::fill(Qt::transparent, gfx::BlendMode::Clear));
        const gfx::Paint outline = gfx::Paint::stroke(QColor(0xA9, 0xA9, 0xA9), 2.0f, Qt::FlatCap, Qt::MiterJoin);
        canvas.drawRect(QRectF(1, 1, kSide - 2, kSide - 2), outline);
        if (!window.isEmpty())
            canvas.drawRect(window, outline);
    }
    return surface.snapshot();
}

PreviewFrame MakePreviewFrame(const gfx::Image& frame)
{
    PreviewFrame out;
    out.hasOpening = gfx::HasFrameOpening(frame);
    if (out.hasOpening)
        out.patches = gfx::CutFrame(frame, gfx::FindFrameHole(frame));
    return out;
}

gfx::Image RenderFramePreview(QSize box, const gfx::Image& picture, QSize pictureSize, const PreviewFrame* frame,
                              int margin, QRgb marginColor)
{
    gfx::Surface surface = gfx::Surface::make(box);
    if (surface.isNull())
        return {};
    surface.clear(QColor::fromRgba(kPreviewGround));
    if (pictureSize.isEmpty())
        pictureSize = QSize(1000, 1000);
    {
        gfx::Canvas canvas(surface);
        if (frame && !frame->hasOpening) {
            const QSizeF fitted = QSizeF(pictureSize).scaled(QSizeF(box), Qt::KeepAspectRatio);
            const QRectF at(QPointF((box.width() - fitted.width()) / 2, (box.height() - fitted.height()) / 2), fitted);
            if (picture.isNull())
                canvas.drawRect(at, gfx::Paint::fill(QColor::fromRgba(0xFF808080)));
            else
                canvas.drawImageRect(picture, at, gfx::Sampling::Linear);
        } else if (frame) {
            const gfx::FrameLayout layout =
                gfx::LayOutFrame(pictureSize, frame->patches.size, frame->patches.hole, margin);
            const double s = std::min(box.width() / double(layout.width), box.height() / double(layout.height));
            canvas.translate((box.width() - layout.width * s) / 2, (box.height() - layout.height * s) / 2);
            canvas.scale(s, s);
            gfx::DrawFramedPicture(canvas, picture, frame->patches, layout, marginColor);
        }
    }
    return surface.snapshot();
}

FramePreview::FramePreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("framePreview"));
    setFixedSize(200, 200);
}

void FramePreview::setPicture(const gfx::Image& picture)
{
    pictureSize_ = picture.isNull() ? QSize() : picture.size();
    picture_ = MakeScaledThumb(picture, kPreviewPictureSide);
    update();
}

void FramePreview::setFrame(const gfx::Image& frame)
{
    if (frame.isNull())
        frame_.reset();
    else
        frame_ = MakePreviewFrame(frame);
    update();
}

void FramePreview::setMargin(int margin, QRgb marginColor)
{
    margin_ = margin;
    marginColor_ = marginColor;
    update();
}

gfx::Image FramePreview::render() const
{
    return RenderFramePreview((QSizeF(size()) * devicePixelRatioF()).toSize(), picture_, pictureSize_, frame_ ? &*frame_ : nullptr,
                              margin_, marginColor_);
}

void FramePreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const gfx::Image picture = render();
    if (!picture.isNull())
        p.drawImage(rect(), picture.qimage());
}

} // namespace pq
