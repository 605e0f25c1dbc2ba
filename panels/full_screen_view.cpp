#include "panels/full_screen_view.h"

#include "gfx/filters.h"
#include "gfx/resample.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace pq {
namespace {

// The drop shadow: offset (0, 15), sigma 20, black at alpha 0x60.
constexpr double kShadowOffset = 15.0;
constexpr double kShadowSigma = 20.0;
const QColor kShadowColor(0, 0, 0, 0x60);

} // namespace

FullScreenViewer::FullScreenViewer(QWidget* owner, const gfx::Image& image)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), image_(image)
{
    setObjectName(QStringLiteral("fullScreenViewer"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRectF FullScreenViewer::imageRect() const
{
    if (image_.isNull() || image_.width() <= 0 || image_.height() <= 0)
        return {};
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const double s = std::min(area.width() / image_.width(), area.height() / image_.height());
    if (!(s > 0))
        return {};
    const QSizeF size(image_.width() * s, image_.height() * s);
    const QPointF centre = QRectF(rect()).center();
    return QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size);
}

void FullScreenViewer::preparePicture()
{
    const double dpr = devicePixelRatioF();
    if (preparedFor_ == size() && preparedScale_ == dpr)
        return;
    preparedFor_ = size();
    preparedScale_ = dpr;
    picture_ = QImage();
    shadow_ = QImage();
    const QRectF target = imageRect();
    if (target.isEmpty())
        return;
    const int width = std::max(1, int(std::lround(target.width() * dpr)));
    const int height = std::max(1, int(std::lround(target.height() * dpr)));
    const gfx::Image scaled = gfx::Resize(image_, width, height, gfx::Sampling::CatmullRom);
    if (scaled.isNull())
        return;
    picture_ = scaled.toQImage();
    picture_.setDevicePixelRatio(dpr);

    // The shadow reaches three sigmas beyond the picture, below by the
    // offset as well.
    const int reach = int(std::ceil((3 * kShadowSigma + kShadowOffset) * dpr));
    QImage padded(width + 2 * reach, height + 2 * reach, gfx::kPixelFormat);
    if (padded.isNull())
        return;
    padded.fill(Qt::transparent);
    {
        QPainter p(&padded);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(reach, reach), scaled.qimage());
    }
    const gfx::Image shadow = gfx::DropShadow(gfx::Image::adopt(std::move(padded)), 0, float(kShadowOffset * dpr),
                                              float(kShadowSigma * dpr), float(kShadowSigma * dpr), kShadowColor, true);
    if (shadow.isNull())
        return;
    shadow_ = shadow.toQImage();
    shadow_.setDevicePixelRatio(dpr);
    shadowOffset_ = QPointF(reach, reach) / dpr;
}

void FullScreenViewer::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QRectF target = imageRect();
    if (target.isEmpty())
        return;
    preparePicture();
    if (picture_.isNull()) {
        // Without memory for the scaled picture: drawn scaled as it is.
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, image_.qimage(), QRectF(image_.rect()));
        return;
    }
    if (!shadow_.isNull())
        p.drawImage(target.topLeft() - shadowOffset_, shadow_);
    p.drawImage(target.topLeft(), picture_);
}

void FullScreenViewer::mousePressEvent(QMouseEvent* event)
{
    pressedInside_ = true;
    event->accept();
}

void FullScreenViewer::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (pressedInside_)
        close();
}

void FullScreenViewer::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    close();
}

} // namespace pq
