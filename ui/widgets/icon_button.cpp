#include "ui/widgets/icon_button.h"

#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/widgets/icons.h"

#include <QMouseEvent>
#include <QPainter>

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
        return QSize(iconSize_ + 16, iconSize_ + 16);
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return QSize(6 + iconSize_ + 7 + textWidth + 8, qMax(iconSize_ + 12, fontMetrics().height() + 12));
}

QSize IconButton::minimumSizeHint() const
{
    return QSize(iconSize_ + 8, iconSize_ + 8);
}

void IconButton::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool hot = hovered_ && isEnabled();

    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (hot || isDown()) {
        QColor fill = ThemedColor(hoverFill_.value_or(QColor(255, 255, 255, 20)));
        if (isDown())
            fill = fill.darker(115);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(box, radius_, radius_);
    } else if (restFill_) {
        p.setPen(Qt::NoPen);
        p.setBrush(ThemedColor(*restFill_));
        p.drawRoundedRect(box, radius_, radius_);
    }

    // Colours given to the button are designed for the dark theme.
    QColor color = iconColor_ ? ThemedTextColor(*iconColor_) : palette.text;
    if (hot)
        color = hoverColor_ ? ThemedTextColor(*hoverColor_) : palette.textStrong;
    if (!isEnabled())
        color = palette.muted;

    const qreal dpr = devicePixelRatioF();
    const QPixmap icon = RenderIcon(iconName_, color, iconSize_, dpr, strokeWidth_);
    if (text().isEmpty()) {
        const QPointF at((width() - iconSize_) / 2.0, (height() - iconSize_) / 2.0);
        p.drawPixmap(at, icon);
        return;
    }
    p.drawPixmap(QPointF(kIconX, (height() - iconSize_) / 2.0), icon);
    p.setPen(color);
    p.setFont(font());
    const QRectF textRect = captionRect();
    if (captionOffset_) {
        p.setClipRect(textRect);
        p.drawText(textRect.translated(*captionOffset_, 0).adjusted(0, 0, 4096, 0),
                   Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());
        return;
    }
    p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic,
               fontMetrics().elidedText(text(), Qt::ElideRight, int(textRect.width())));
}

QRectF IconButton::captionRect() const
{
    const qreal left = kIconX + iconSize_ + 7;
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
