#include "ui/widgets/icon_button.h"

#include "platform/numeric.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/widgets/icons.h"
#include "ui/widgets/shown_caption.h"

#include <QMouseEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace pq {
namespace {

// Left edge of the icon when the button has a caption.
constexpr qreal kIconX = 6;

} // namespace

IconButton::IconButton(const QString& iconName, QWidget* parent) : QAbstractButton(parent), iconName_(iconName)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void IconButton::setIconName(const QString& name)
{
    iconName_ = name;
    update();
}

void IconButton::setIconPixelSize(int size)
{
    iconSize_ = size;
    updateGeometry();
    update();
}

void IconButton::setCaptionFont(const QFont& f)
{
    setFont(f);
    updateGeometry();
}

QSize IconButton::sizeHint() const
{
    if (text().isEmpty())
        return QSize(shownIconSize() + platform::Round(16 * scale_), shownIconSize() + platform::Round(16 * scale_));
    const int textWidth = fontMetrics().horizontalAdvance(ShownCaptionText(text()));
    return QSize(platform::Round(21 * scale_) + shownIconSize() + textWidth,
                 qMax(shownIconSize() + platform::Round(12 * scale_), fontMetrics().height() + platform::Round(12 * scale_)));
}

QSize IconButton::minimumSizeHint() const
{
    return QSize(shownIconSize() + platform::Round(8 * scale_), shownIconSize() + platform::Round(8 * scale_));
}

void IconButton::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool hot = hovered_ && isEnabled();
    const auto fillOf = [this](const QColor& c) { return themed_ ? ThemedColor(c) : c; };
    const auto textOf = [this](const QColor& c) { return themed_ ? ThemedTextColor(c) : c; };

    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (hot || isDown()) {
        QColor fill = fillOf(hoverFill_.value_or(QColor(255, 255, 255, 20)));
        if (isDown())
            fill = fill.darker(115);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(box, radius_ * scale_, radius_ * scale_);
    } else if (restFill_) {
        p.setPen(Qt::NoPen);
        p.setBrush(fillOf(*restFill_));
        p.drawRoundedRect(box, radius_ * scale_, radius_ * scale_);
    }

    QColor color = iconColor_ ? textOf(*iconColor_) : palette.text;
    if (hot)
        color = hoverColor_ ? textOf(*hoverColor_) : palette.textStrong;
    if (!isEnabled())
        color = palette.muted;

    const qreal dpr = devicePixelRatioF();
    const QPixmap icon = RenderIcon(iconName_, color, shownIconSize(), dpr, strokeWidth_);
    if (text().isEmpty()) {
        const QPointF at((width() - shownIconSize()) / 2.0, (height() - shownIconSize()) / 2.0);
        p.drawPixmap(at, icon);
        return;
    }
    p.drawPixmap(QPointF(kIconX * scale_, (height() - shownIconSize()) / 2.0), icon);
    p.setPen(color);
    p.setFont(font());
    const QRectF textRect = captionRect();
    if (captionOffset_) {
        p.setClipRect(textRect);
        p.drawText(textRect.translated(*captionOffset_, 0).adjusted(0, 0, 4096, 0),
                   Qt::AlignVCenter | Qt::AlignLeft, ShownCaptionText(text()));
        return;
    }
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetricsF(font()).elidedText(ShownCaptionText(text()), Qt::ElideRight, textRect.width() + 1));
}

int IconButton::shownIconSize() const
{
    return platform::Round(iconSize_ * scale_);
}

void IconButton::setInterfaceScale(double scale)
{
    scale_ = scale;
    updateGeometry();
    update();
}

QRectF IconButton::captionRect() const
{
    const qreal left = kIconX * scale_ + shownIconSize() + 7 * scale_;
    return QRectF(left, 0, width() - left - 1, height());
}

void IconButton::setCaptionOffset(std::optional<qreal> x)
{
    if (captionOffset_ == x)
        return;
    captionOffset_ = x;
    update();
}

void IconButton::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void IconButton::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void IconButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        rightDown_ = true;
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void IconButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        const bool inside = rightDown_ && rect().contains(event->position().toPoint());
        rightDown_ = false;
        event->accept();
        if (inside)
            emit rightReleased();
        return;
    }
    QAbstractButton::mouseReleaseEvent(event);
}

} // namespace pq
