#include "panels/overlay_host.h"

#include "ui/dictionary.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace pq {

QImage SoftBlur(const QImage& image, int factor)
{
    if (image.isNull() || factor <= 1)
        return image;
    const QSize small(std::max(1, image.width() / factor), std::max(1, image.height() / factor));
    QImage reduced = image.scaled(small, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Two halvings more smooth the blocks the upscale would show.
    reduced = reduced.scaled(std::max(1, small.width() / 2), std::max(1, small.height() / 2), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    return reduced.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

OverlayHost::OverlayHost(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("overlayHost"));
    hide();
}

void OverlayHost::setBackdropFrom(const QImage& snapshot)
{
    QImage blurred = SoftBlur(snapshot.convertToFormat(QImage::Format_ARGB32_Premultiplied), 6);
    QImage rounded(blurred.size(), QImage::Format_ARGB32_Premultiplied);
    rounded.setDevicePixelRatio(snapshot.devicePixelRatio());
    rounded.fill(Qt::transparent);
    {
        QPainter p(&rounded);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(blurred.size()) / snapshot.devicePixelRatio()), 15, 15);
        p.setClipPath(clip);
        blurred.setDevicePixelRatio(snapshot.devicePixelRatio());
        p.drawImage(QPointF(0, 0), blurred);
        p.fillRect(rounded.rect(), QColor(0, 0, 0, 110));
    }
    backdrop_ = rounded;
    update();
}

void OverlayHost::clearBackdrop()
{
    backdrop_ = QImage();
    update();
}

void OverlayHost::addCentred(QWidget* panel)
{
    panel->setParent(this);
    centred_ << panel;
    centrePanels();
    panel->show();
}

void OverlayHost::clearPanels()
{
    centred_.clear();
    const auto children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) {
        // Its translation records go first, so that a later panel at the
        // same address inherits none.
        ForgetComponent(child);
        delete child;
    }
}

void OverlayHost::centrePanels()
{
    centred_.removeIf([](const QPointer<QWidget>& w) { return w.isNull(); });
    for (const QPointer<QWidget>& panel : centred_)
        panel->move((width() - panel->width()) / 2, (height() - panel->height()) / 2);
}

void OverlayHost::paintEvent(QPaintEvent*)
{
    if (backdrop_.isNull())
        return;
    QPainter p(this);
    p.drawImage(rect(), backdrop_);
}

void OverlayHost::resizeEvent(QResizeEvent*)
{
    centrePanels();
}

} // namespace pq
