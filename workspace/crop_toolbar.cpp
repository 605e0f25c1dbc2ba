#include "workspace/crop_toolbar.h"

#include "ui/theme.h"

#include <QFontMetricsF>
#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace pq {
namespace {

constexpr QRgb kBarFill = 0xF0314158;
constexpr double kRadius = 15.0;

// A black drop shadow `distance` pixels down and right (45 degrees).
void AddShadow(QWidget* widget, double distance, double softness, double opacity)
{
    auto* shadow = new QGraphicsDropShadowEffect(widget);
    const double d = distance / std::sqrt(2.0);
    shadow->setOffset(d, d);
    shadow->setBlurRadius(softness * 20);
    shadow->setColor(QColor(0, 0, 0, int(opacity * 255)));
    widget->setGraphicsEffect(shadow);
}

QFont PillFont(const QWidget* widget)
{
    QFont font = widget->font();
    font.setPixelSize(13);
    return font;
}

} // namespace

CropIconButton::CropIconButton(Icon icon, QColor color, QWidget* parent)
    : QAbstractButton(parent), icon_(icon), color_(color)
{
    setFixedSize(24, 24);
    setCursor(Qt::PointingHandCursor);
}

void CropIconButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor color = color_;
    if (underMouse())
        color = color.lighter(125);
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (icon_ == Icon::Cancel) {
        p.drawLine(QPointF(6, 6), QPointF(18, 18));
        p.drawLine(QPointF(18, 6), QPointF(6, 18));
    } else {
        QPainterPath tick;
        tick.moveTo(4.5, 12.5);
        tick.lineTo(9.5, 17.5);
        tick.lineTo(19.5, 6.5);
        p.drawPath(tick);
    }
}

CropToolbar::CropToolbar(QWidget* canvas)
    : QWidget(canvas),
      cancel_(new CropIconButton(CropIconButton::Icon::Cancel, QColor::fromRgba(0xFFA9A9A9), this)),
      apply_(new CropIconButton(CropIconButton::Icon::Apply, Qt::white, this))
{
    setObjectName(QStringLiteral("cropToolbar"));
    cancel_->setObjectName(QStringLiteral("cropCancelButton"));
    apply_->setObjectName(QStringLiteral("cropApplyButton"));
    setFixedSize(100, 36);
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_TranslucentBackground);
    cancel_->move(16, 6);
    apply_->move(61, 6);
    AddShadow(this, 5, 0.4, 0.4);
    hide();
}

void CropToolbar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(kBarFill));
    p.drawRoundedRect(QRectF(rect()), kRadius, kRadius);
}

SizePill::SizePill(QWidget* canvas) : QWidget(canvas)
{
    setObjectName(QStringLiteral("sizePill"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    AddShadow(this, 3, 0.3, 0.6);
    hide();
}

void SizePill::setText(const QString& text)
{
    text_ = text;
    const double width = QFontMetricsF(PillFont(this)).horizontalAdvance(text);
    resize(int(std::ceil(width)) + 28, kHeight);
    update();
}

void SizePill::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ThemedColor(QColor::fromRgba(kBarFill)));
    p.drawRoundedRect(QRectF(rect()), kRadius, kRadius);
    p.setFont(PillFont(this));
    p.setPen(ThemedTextColor(QColor(Qt::white)));
    p.drawText(QRectF(rect()), Qt::AlignCenter, text_);
}

} // namespace pq
