#include "panels/color_button.h"

#include <QColorDialog>
#include <QPainter>

namespace pq {

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    pickColor = [this](QRgb current) -> std::optional<QRgb> {
        const QColor chosen = QColorDialog::getColor(QColor::fromRgba(current), window(), QString(),
                                                     QColorDialog::ShowAlphaChannel);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen.rgba();
    };
    connect(this, &QPushButton::clicked, this, [this] {
        if (!pickColor)
            return;
        if (const std::optional<QRgb> chosen = pickColor(color_); chosen && *chosen != color_) {
            color_ = *chosen;
            update();
            emit colorChanged(color_);
        }
    });
}

void ColorButton::setColor(QRgb color)
{
    color_ = color;
    update();
}

void ColorButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    // A checkerboard shows through a translucent colour.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(QBrush(QColor(0xCC, 0xCC, 0xCC), Qt::Dense4Pattern));
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(QColor::fromRgba(color_));
    p.setPen(QPen(QColor(0x54, 0x5F, 0x72), 1));
    p.drawRoundedRect(r, 4, 4);
}

} // namespace pq
