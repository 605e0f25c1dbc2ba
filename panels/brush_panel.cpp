#include "panels/brush_panel.h"

#include "panels/brush_canvas.h"
#include "ui/widgets/panel_close_button.h"
#include "ui/debug_log.h"
#include "ui/theme.h"
#include "ui/translate.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>

#include <algorithm>

namespace pq {
namespace {

QSlider* Slider(QWidget* parent, const char* name, int maximum)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QString::fromLatin1(name));
    slider->setRange(0, maximum);
    return slider;
}

} // namespace

BrushPanel::BrushPanel(QWidget* mainCanvas, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("manualBrushPanel"));
    setFixedSize(kBoxWidth, kBoxHeight);
    setCursor(Qt::SizeAllCursor);
    setAttribute(Qt::WA_TranslucentBackground);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(18, 30, 18, 14);
    grid->setHorizontalSpacing(12);
    const auto label = [this](const char* text) {
        auto* l = new QLabel(Translate(QString::fromLatin1(text)), this);
        l->setStyleSheet(QStringLiteral("color: white;"));
        return l;
    };
    sizeSlider_ = Slider(this, "brushSizeSlider", 500);
    softnessSlider_ = Slider(this, "brushSoftnessSlider", 100);
    opacitySlider_ = Slider(this, "brushOpacitySlider", 100);
    grid->addWidget(label("Size"), 0, 0);
    grid->addWidget(sizeSlider_, 0, 1);
    grid->addWidget(label("Softness"), 1, 0);
    grid->addWidget(softnessSlider_, 1, 1);
    grid->addWidget(label("Opacity"), 2, 0);
    grid->addWidget(opacitySlider_, 2, 1);
    for (QSlider* s : {sizeSlider_, softnessSlider_, opacitySlider_})
        s->setCursor(Qt::ArrowCursor);
    sizeSlider_->setValue(100);
    softnessSlider_->setValue(50);
    opacitySlider_->setValue(100);

    closeButton_ = new PanelCloseButton(this);
    closeButton_->setObjectName(QStringLiteral("brushCloseButton"));
    closeButton_->setCursor(Qt::ArrowCursor);
    closeButton_->move(kBoxWidth - 26 - 8, 6);
    connect(closeButton_, &PanelCloseButton::clicked, this, &BrushPanel::closeClicked);

    connect(sizeSlider_, &QSlider::valueChanged, this, [this] { buildStamp(); });
    connect(softnessSlider_, &QSlider::valueChanged, this, [this] { buildStamp(); });

    canvas_ = new BrushCanvas(mask_, mainCanvas);
    canvas_->mayPaint = [this] { return !applying_; };
    canvas_->controlsDragging = [this] { return dragging_; };
    canvas_->entered = [this] { setBoxOpacity(0.8); };
    canvas_->strokeReleased = [this] {
        setApplying(true);
        emit strokeReleased();
    };
    setBoxOpacity(0.8);
    buildStamp();
    canvas_->show();
}

BrushPanel::~BrushPanel()
{
    if (closing)
        GuardedCall("closing", [this] { closing(*this); });
    // The canvas lives in the main view; it goes with the panel.
    delete canvas_.data();
}

void BrushPanel::buildStamp()
{
    mask_.setBrush(float(sizeSlider_->value()), softnessSlider_->value() / 100.0f);
    if (canvas_)
        canvas_->update();
}

void BrushPanel::setBoxOpacity(double opacity)
{
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(this);
        setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

void BrushPanel::initialize(QSize imageSize, const BrushView& view, QPointF controlsPos)
{
    controlsPos_ = controlsPos;
    mask_.setView(view);
    mask_.bind(imageSize);
    buildStamp();
    if (canvas_)
        canvas_->updatePan(view);
    repositionControls();
}

void BrushPanel::resetMask()
{
    mask_.reset();
    setApplying(false);
    if (canvas_)
        canvas_->update();
}

void BrushPanel::setApplying(bool on)
{
    if (applying_ == on)
        return;
    applying_ = on;
    emit applyingChanged(on);
}

void BrushPanel::repositionControls()
{
    QPoint at;
    if (controlsPos_.x() > 0 || controlsPos_.y() > 0) {
        at = controlsPos_.toPoint();
    } else {
        const int h = parentWidget() ? parentWidget()->height() : kBoxHeight + 40;
        at = QPoint(20, h - kBoxHeight - 20);
    }
    move(at);
    raise();
}

void BrushPanel::updatePan(const BrushView& view)
{
    if (canvas_)
        canvas_->updatePan(view);
}

void BrushPanel::setSliders(int size, int softness, int opacity)
{
    sizeSlider_->setValue(size);
    softnessSlider_->setValue(softness);
    opacitySlider_->setValue(opacity);
}

int BrushPanel::sizeValue() const
{
    return sizeSlider_->value();
}

int BrushPanel::softnessValue() const
{
    return softnessSlider_->value();
}

int BrushPanel::opacityValue() const
{
    return opacitySlider_->value();
}

void BrushPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    dragStartBox_ = pos();
    dragStartMouse_ = event->globalPosition();
    setBoxOpacity(0.8);
}

void BrushPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    const QPointF to = dragStartBox_ + (event->globalPosition() - dragStartMouse_);
    const QWidget* area = parentWidget();
    const double maxX = area ? std::max(0, area->width() - width()) : to.x();
    const double maxY = area ? std::max(0, area->height() - height()) : to.y();
    move(QPointF(std::clamp(to.x(), 0.0, maxX), std::clamp(to.y(), 0.0, maxY)).toPoint());
}

void BrushPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    dragging_ = false;
    controlsPos_ = pos();
}

void BrushPanel::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    setBoxOpacity(1.0);
}

void BrushPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(ThemedColor(0xFF314158)));
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 15, 15);
}

} // namespace pq
