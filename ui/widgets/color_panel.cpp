#include "ui/widgets/color_panel.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace pq {

namespace {

constexpr int kBar = 18;
constexpr int kGap = 8;

double Clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

void DrawChecks(QPainter& p, const QRectF& r)
{
    p.save();
    p.setClipRect(r);
    p.fillRect(r, QColor(0xFF, 0xFF, 0xFF));
    const int cell = 6;
    for (int y = 0; y * cell < r.height(); ++y)
        for (int x = (y & 1); x * cell < r.width(); x += 2)
            p.fillRect(QRectF(r.left() + x * cell, r.top() + y * cell, cell, cell), QColor(0xCC, 0xCC, 0xCC));
    p.restore();
}

} // namespace

ColorPanel::ColorPanel(QWidget* parent) : QWidget(parent)
{
    setFixedSize(153, 161);
    setCursor(Qt::CrossCursor);
}

// The markers reach this far beyond the areas.
constexpr int kPad = 5;

QRect ColorPanel::squareRect() const
{
    return QRect(kPad, kPad, width() - 2 * kPad - kGap - kBar, height() - 2 * kPad - kGap - kBar);
}

QRect ColorPanel::hueRect() const
{
    const QRect sq = squareRect();
    return QRect(sq.right() + 1 + kGap, kPad, kBar, sq.height());
}

QRect ColorPanel::alphaRect() const
{
    return QRect(kPad, height() - kPad - kBar, width() - 2 * kPad, kBar);
}

QColor ColorPanel::color() const
{
    QColor c = QColor::fromHsvF(float(hue_), float(sat_), float(val_));
    c.setAlphaF(float(alpha_));
    return c;
}

void ColorPanel::setColor(const QColor& color)
{
    const QColor hsv = color.toHsv();
    // Greys have no hue: keep the one shown.
    if (hsv.hsvHueF() >= 0)
        hue_ = Clamp01(hsv.hsvHueF());
    sat_ = Clamp01(hsv.hsvSaturationF());
    val_ = Clamp01(hsv.valueF());
    alpha_ = Clamp01(color.alphaF());
    update();
}

void ColorPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF sq = squareRect();
    const QRectF hue = hueRect();
    const QRectF al = alphaRect();

    // Saturation left to right, brightness bottom to top.
    QPainterPath square;
    square.addRoundedRect(sq, 4, 4);
    p.save();
    p.setClipPath(square);
    p.fillRect(sq, QColor::fromHsvF(float(hue_), 1.0f, 1.0f));
    QLinearGradient white(sq.topLeft(), sq.topRight());
    white.setColorAt(0, QColor(255, 255, 255, 255));
    white.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(sq, white);
    QLinearGradient black(sq.topLeft(), sq.bottomLeft());
    black.setColorAt(0, QColor(0, 0, 0, 0));
    black.setColorAt(1, QColor(0, 0, 0, 255));
    p.fillRect(sq, black);
    p.restore();

    QLinearGradient hues(hue.topLeft(), hue.bottomLeft());
    for (int i = 0; i <= 6; ++i)
        hues.setColorAt(i / 6.0, QColor::fromHsvF(float(i % 6) / 6.0f, 1.0f, 1.0f));
    QPainterPath hueBar;
    hueBar.addRoundedRect(hue, 4, 4);
    p.fillPath(hueBar, hues);

    QPainterPath alphaBar;
    alphaBar.addRoundedRect(al, 4, 4);
    p.save();
    p.setClipPath(alphaBar);
    DrawChecks(p, al);
    QColor opaque = color();
    opaque.setAlpha(255);
    QColor clear = opaque;
    clear.setAlpha(0);
    QLinearGradient alphas(al.topLeft(), al.topRight());
    alphas.setColorAt(0, clear);
    alphas.setColorAt(1, opaque);
    p.fillRect(al, alphas);
    p.restore();

    // Markers: a ring in the square, bars across the hue and alpha strips.
    const QPointF at(sq.left() + sat_ * sq.width(), sq.top() + (1 - val_) * sq.height());
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 3));
    p.drawEllipse(at, 5, 5);
    p.setPen(QPen(Qt::white, 1.5));
    p.drawEllipse(at, 5, 5);
    const qreal hy = hue.top() + hue_ * hue.height();
    const qreal ax = al.left() + alpha_ * al.width();
    for (const QRectF& marker : {QRectF(hue.left() - 1, hy - 2, hue.width() + 2, 4),
                                 QRectF(ax - 2, al.top() - 1, 4, al.height() + 2)}) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(marker, 1.5, 1.5);
    }
}

void ColorPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (squareRect().contains(pos))
        dragging_ = Part::Square;
    else if (hueRect().adjusted(-3, 0, 3, 0).contains(pos))
        dragging_ = Part::Hue;
    else if (alphaRect().adjusted(0, -3, 0, 0).contains(pos))
        dragging_ = Part::Alpha;
    else
        dragging_ = Part::None;
    track(event->position());
    event->accept();
}

void ColorPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ != Part::None && (event->buttons() & Qt::LeftButton))
        track(event->position());
    event->accept();
}

void ColorPanel::mouseReleaseEvent(QMouseEvent* event)
{
    dragging_ = Part::None;
    event->accept();
}

void ColorPanel::track(QPointF pos)
{
    const QRectF sq = squareRect();
    const QRectF hue = hueRect();
    const QRectF al = alphaRect();
    switch (dragging_) {
    case Part::Square:
        sat_ = Clamp01((pos.x() - sq.left()) / sq.width());
        val_ = Clamp01(1 - (pos.y() - sq.top()) / sq.height());
        break;
    case Part::Hue:
        // Hue 1 is red again, and out of QColor's range.
        hue_ = std::min(Clamp01((pos.y() - hue.top()) / hue.height()), 0.9999);
        break;
    case Part::Alpha:
        alpha_ = Clamp01((pos.x() - al.left()) / al.width());
        break;
    case Part::None:
        return;
    }
    update();
    emit colorChanged();
}

} // namespace pq
