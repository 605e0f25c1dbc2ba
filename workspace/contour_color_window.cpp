#include "workspace/contour_color_window.h"

#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/widgets/color_panel.h"

#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace pq {

namespace {

// The close cross: no fill at rest, red with a white cross under the mouse.
class CloseCross : public QWidget {
public:
    explicit CloseCross(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("FContourCloseRect"));
        setFixedSize(26, 26);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }

    std::function<void()> clicked;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool hot = underMouse();
        if (hot) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xFF, 0x00, 0x00));
            p.drawRoundedRect(QRectF(rect()), 6, 6);
        }
        const QColor cross = hot || gThemeMode != ThemeMode::Light ? QColor(Qt::white) : QColor(0x2A, 0x37, 0x44);
        p.setPen(QPen(cross, 1.8, Qt::SolidLine, Qt::RoundCap));
        // FContourCloseSvg: 18 x 18, centred.
        const QRectF box(4, 4, 18, 18);
        const QRectF x = box.adjusted(4.5, 4.5, -4.5, -4.5);
        p.drawLine(x.topLeft(), x.bottomRight());
        p.drawLine(x.topRight(), x.bottomLeft());
    }
    void enterEvent(QEnterEvent*) override { update(); }
    void leaveEvent(QEvent*) override { update(); }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked)
            clicked();
    }
};

} // namespace

ContourColorWindow::ContourColorWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("contourColorWindow"));
    setFixedSize(170, 200);
    setCursor(Qt::SizeAllCursor);
    colorPanel = new ColorPanel(this);
    colorPanel->setObjectName(QStringLiteral("colorPanel"));
    // The panel's own 5-pixel margin for its markers makes the window's
    // 12-pixel one.
    colorPanel->setFixedSize(156, 158);
    colorPanel->move(7, 37);
    auto* cross = new CloseCross(this);
    cross->move(width() - 34, 8);
    cross->clicked = [this] { emit closeClicked(); };
    closeButton = cross;
    hide();
}

void ContourColorWindow::setShadowEnabled(bool on)
{
    shadowOn_ = on;
    applyEffect();
}

void ContourColorWindow::applyEffect()
{
    if (dragging_) {
        auto* fade = new QGraphicsOpacityEffect(this);
        fade->setOpacity(0.75);
        setGraphicsEffect(fade);
        return;
    }
    if (!shadowOn_) {
        setGraphicsEffect(nullptr);
        return;
    }
    // Direction 90, distance 4, softness 0.4, opacity 0.5, black.
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setOffset(0, 4);
    shadow->setBlurRadius(16);
    shadow->setColor(QColor(0, 0, 0, 128));
    setGraphicsEffect(shadow);
}

void ContourColorWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 15, 15);
    p.fillPath(shape, CurrentPalette().card);
    p.save();
    p.setClipPath(shape);
    p.setOpacity(0.35);
    p.fillRect(QRectF(0, 0, width(), 40), QColor(0xC8, 0xE1, 0xFF));
    p.restore();
}

void ContourColorWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    lastDragPos_ = event->globalPosition().toPoint();
    applyEffect();
    event->accept();
}

void ContourColorWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPoint now = event->globalPosition().toPoint();
    move(pos() + (now - lastDragPos_));
    lastDragPos_ = now;
    event->accept();
}

void ContourColorWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    dragging_ = false;
    applyEffect();
    event->accept();
}

} // namespace pq
