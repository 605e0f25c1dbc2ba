#include "ui/widgets/pressed_look.h"

#include <QGraphicsDropShadowEffect>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace pq {
namespace {

constexpr qreal kPressDepth = 2;
constexpr char kPressedFrom[] = "pressedFrom";
constexpr char kShadowOffset[] = "pressedShadowOffset";
constexpr char kShadowAlpha[] = "pressedShadowAlpha";

QGraphicsDropShadowEffect* ShadowOf(QWidget* button)
{
    return qobject_cast<QGraphicsDropShadowEffect*>(button->graphicsEffect());
}

} // namespace

void ButtonPressEffect(QWidget* button)
{
    if (!button || button->property(kPressedFrom).isValid())
        return;
    button->setProperty(kPressedFrom, button->pos());
    button->move(button->pos() + QPoint(int(kPressDepth), int(kPressDepth)));
    if (QGraphicsDropShadowEffect* shadow = ShadowOf(button)) {
        const QPointF offset = shadow->offset();
        button->setProperty(kShadowOffset, offset);
        button->setProperty(kShadowAlpha, shadow->color().alphaF());
        const qreal distance = std::hypot(offset.x(), offset.y());
        shadow->setOffset(distance > kPressDepth ? offset * ((distance - kPressDepth) / distance) : QPointF());
        QColor color = shadow->color();
        color.setAlphaF(color.alphaF() * 0.7f);
        shadow->setColor(color);
    }
}

void ButtonReleaseEffect(QWidget* button)
{
    if (!button || !button->property(kPressedFrom).isValid())
        return;
    button->move(button->property(kPressedFrom).toPoint());
    button->setProperty(kPressedFrom, QVariant());
    QGraphicsDropShadowEffect* shadow = ShadowOf(button);
    if (shadow && button->property(kShadowOffset).isValid()) {
        shadow->setOffset(button->property(kShadowOffset).toPointF());
        QColor color = shadow->color();
        color.setAlphaF(button->property(kShadowAlpha).toFloat());
        shadow->setColor(color);
    }
    button->setProperty(kShadowOffset, QVariant());
    button->setProperty(kShadowAlpha, QVariant());
}

} // namespace pq
