#include "ui/widgets/toggle_switch.h"

#include "ui/theme.h"
#include "ui/theme_style.h"

#include <QPainter>
#include <QVariantAnimation>

namespace pq {

namespace {

constexpr qreal kOffX = 1;
constexpr qreal kOnX = 38 - 18 - 1;

} // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(38, 18);
    slide_ = new QVariantAnimation(this);
    slide_->setDuration(50);
    slide_->setEasingCurve(QEasingCurve::Linear);
    connect(slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& x) {
        thumbX_ = x.toReal();
        update();
    });
    connect(this, &QAbstractButton::toggled, this, &ToggleSwitch::slideThumb);
}

void ToggleSwitch::slideThumb(bool on)
{
    slide_->stop();
    const qreal target = on ? kOnX : kOffX;
    if (!isVisible()) {
        thumbX_ = target;
        return;
    }
    slide_->setStartValue(thumbX_);
    slide_->setEndValue(target);
    slide_->start();
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    const UiPalette& palette = CurrentPalette();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(0.4);
    const bool on = isChecked();
    // The fills change at once; only the thumb slides.
    if (slide_->state() != QAbstractAnimation::Running)
        thumbX_ = on ? kOnX : kOffX;
    p.setPen(Qt::NoPen);
    p.setBrush(on ? palette.accent : ThemedColor(QColor(255, 255, 255, 0x2E)));
    p.drawRoundedRect(QRectF(0, 0, 38, 18), 8, 8);
    p.setBrush(on ? QColor(Qt::white) : QColor(0x80, 0x80, 0x80));
    p.drawEllipse(QRectF(thumbX_, 1, 18, 16));
}

} // namespace pq
