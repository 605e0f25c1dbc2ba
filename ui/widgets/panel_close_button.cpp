#include "ui/widgets/panel_close_button.h"

#include "ui/theme.h"
#include "ui/theme_style.h"

#include <QPainter>

namespace pq {

PanelCloseButton::PanelCloseButton(QWidget* parent) : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("closeButton"));
    setFixedSize(26, 26);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setText(QStringLiteral("\u00D7"));
}

void PanelCloseButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (hovered_) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xFF, 0, 0));
        p.drawRoundedRect(QRectF(rect()), 6, 6);
    }
    const bool light = gThemeMode == ThemeMode::Light;
    p.setPen(hovered_ || !light ? QColor(Qt::white) : QColor(0x2A, 0x37, 0x44));
    p.setFont(InterfaceFont(18));
    p.drawText(rect(), Qt::AlignCenter, text());
}

void PanelCloseButton::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PanelCloseButton::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace pq
