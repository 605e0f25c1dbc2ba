#include "app/widgets/toggle_switch.h"

#include "app/theme.h"
#include "app/theme_style.h"

#include <QPainter>

namespace pq {

TToggleSwitch::TToggleSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(38, 18);
}

void TToggleSwitch::paintEvent(QPaintEvent*)
{
    const TUiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.4);
    const bool on = isChecked();
    p.setPen(Qt::NoPen);
    p.setBrush(on ? palette.accent : ThemedColor(QColor(255, 255, 255, 0x2E)));
    p.drawRoundedRect(QRectF(0, 0, 38, 18), 8, 8);
    p.setBrush(on ? QColor(Qt::white) : QColor(0x80, 0x80, 0x80));
    const qreal thumbX = on ? 38 - 18 - 1 : 1;
    p.drawEllipse(QRectF(thumbX, 1, 18, 16));
}

} // namespace pq
