#include "app/title_bar.h"

#include "app/window_geometry.h"
#include "platform/numeric.h"
#include "ui/interface_scale.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/widgets/icon_button.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QThread>
#include <QWindow>

namespace pq {
namespace {

IconButton* WindowButton(const QString& name, const QString& icon, QWidget* parent)
{
    auto* button = new IconButton(icon, parent);
    button->setObjectName(name);
    button->setFixedSize(46, 34);
    button->setIconPixelSize(16);
    button->setStrokeWidth(1.6);
    button->setRadius(0);
    button->setCursor(Qt::ArrowCursor);
    return button;
}

IconButton* ThemeButton(const QString& name, const QString& icon, const QString& hint, QWidget* parent)
{
    auto* button = new IconButton(icon, parent);
    button->setObjectName(name);
    button->setFixedSize(34, 34);
    button->setIconPixelSize(18);
    button->setHoverFill(Qt::transparent);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(hint);
    return button;
}

QPropertyAnimation* Animate(QObject* target, const QByteArray& property, const QVariant& to, int ms, QObject* owner)
{
    auto* animation = new QPropertyAnimation(target, property, owner);
    animation->setDuration(ms);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::Linear);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

void Stop(QPointer<QPropertyAnimation>& animation)
{
    if (animation)
        animation->stop();
    animation = nullptr;
}

} // namespace

ProgressBarColors TitleProgressColors(ThemeMode mode)
{
    if (mode == ThemeMode::Light)
        return {QColor(0x31, 0x41, 0x58), QColor(Qt::white)};
    return {QColor(255, 255, 255, 204), QColor(0x2A, 0x37, 0x44)};
}

TitleBar::TitleBar(QWidget* parent) : QWidget(parent)
{
    const UiPalette& palette = CurrentPalette();
    setObjectName(QStringLiteral("titleBar"));
    setFixedHeight(34);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    // The run's progress: a rounded bar growing from the left, with the
    // percentage riding at its end. Hidden between runs.
    progressBar_ = new QWidget(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setAttribute(Qt::WA_StyledBackground);
    progressBar_->setGeometry(12, 5, 0, 25);
    progressBar_->hide();
    progressLabel_ = new QLabel(this);
    progressLabel_->setObjectName(QStringLiteral("progressLabel"));
    progressLabel_->setFont(InterfaceFont(13, QFont::DemiBold));
    progressLabel_->setAlignment(Qt::AlignCenter);
    progressLabel_->setGeometry(12, 5, 60, 25);
    progressLabel_->hide();
    updateProgressColors();

    row->addSpacing(16);
    row->addStretch(1);
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("debugLabel"));
    statusLine_->setFont(InterfaceFont(14));
    statusLine_->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(statusLine_);
    row->addStretch(1);

    lightButton_ = ThemeButton(QStringLiteral("lightThemeButton"), QStringLiteral("sun"),
                               QStringLiteral("Switch to light mode"), this);
    darkButton_ = ThemeButton(QStringLiteral("darkThemeButton"), QStringLiteral("moon"),
                              QStringLiteral("Switch to dark mode"), this);
    darkButton_->hide();
    row->addWidget(lightButton_);
    row->addWidget(darkButton_);
    row->addSpacing(8);

    auto* minimizeButton = WindowButton(QStringLiteral("minimizeButton"), QStringLiteral("winmin"), this);
    minimizeButton->setHoverFill(QColor(0x7E, 0x7D, 0x83));
    maximizeButton_ = WindowButton(QStringLiteral("maximizeButton"), QStringLiteral("winmax"), this);
    maximizeButton_->setHoverFill(QColor(0x7E, 0x7D, 0x83));
    closeButton_ = WindowButton(QStringLiteral("closeWindowButton"), QStringLiteral("winclose"), this);
    closeButton_->setHoverFill(palette.danger);
    row->addWidget(minimizeButton);
    row->addWidget(maximizeButton_);
    row->addWidget(closeButton_);

    connect(minimizeButton, &QAbstractButton::clicked, this, &TitleBar::minimizeClicked);
    connect(maximizeButton_, &QAbstractButton::clicked, this, &TitleBar::maximizeClicked);
    connect(closeButton_, &QAbstractButton::clicked, this, &TitleBar::closeClicked);
    connect(closeButton_, &IconButton::rightReleased, this, &TitleBar::resetRequested);
    for (IconButton* icon : {lightButton_, darkButton_})
        connect(icon, &QAbstractButton::clicked, this, &TitleBar::themeToggleClicked);
    updateThemeIcons();
}

void TitleBar::setMaximized(bool maximized)
{
    maximized_ = maximized;
    // The window buttons sit 5 units from the right edge, flush with it
    // when the system maximised the window.
    const int widthUnits = platform::Round(ToUnits(width()));
    const WindowButtonPlaces places = LayoutWindowButtons(widthUnits, 46, window()->isMaximized());
    layout()->setContentsMargins(0, 0, Units(widthUnits - 46 - places.close), 0);
    maximizeButton_->setIconName(maximized ? QStringLiteral("winrestore") : QStringLiteral("winmax"));
}

void TitleBar::updateThemeIcons()
{
    const bool light = gThemeMode == ThemeMode::Light;
    lightButton_->setVisible(!light);
    darkButton_->setVisible(light);
    // The text colour of the mode, so that the icon reads on the title bar
    // in both modes.
    const QColor color = ThemedTextColor(QColor(0xD5, 0xD5, 0xD5));
    lightButton_->setIconColor(color);
    darkButton_->setIconColor(color);
}

void TitleBar::updateProgressColors()
{
    const ProgressBarColors colors = TitleProgressColors(gThemeMode);
    SetDesignStyleSheet(progressBar_,
                        QStringLiteral("#progressBar { background: %1; border-radius: 12px; }").arg(CssColor(colors.bar)));
    SetDesignStyleSheet(progressLabel_, QStringLiteral("#progressLabel { color: %1; }").arg(CssColor(colors.text)));
}

void TitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && !maximized_ && window()->windowHandle()) {
        window()->windowHandle()->startSystemMove();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TitleBar::mouseDoubleClickEvent(QMouseEvent*)
{
    emit maximizeClicked();
}

void TitleBar::updateProgressBar(int value)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, value] { updateProgressBar(value); }, Qt::QueuedConnection);
        return;
    }
    if (ignoreProgress && ignoreProgress())
        return;
    auto* fade = qobject_cast<QGraphicsOpacityEffect*>(progressLabel_->graphicsEffect());
    if (!fade) {
        fade = new QGraphicsOpacityEffect(progressLabel_);
        progressLabel_->setGraphicsEffect(fade);
    }

    if (value < 0 || value > 100) {
        Stop(widthAnimation_);
        Stop(labelMove_);
        Stop(labelFade_);
        progressBar_->hide();
        progressBar_->resize(0, progressBar_->height());
        shownValue_ = -1;
        progressLabel_->hide();
        fade->setOpacity(1.0);
        progressLabel_->clear();
        return;
    }
    if (shownValue_ == value)
        return;
    shownValue_ = value;
    if (!progressBar_->isVisible()) {
        progressBar_->resize(0, progressBar_->height());
        progressBar_->show();
    }
    const int available = width();
    const int target = std::max(0, (available - 170) * value / 100);
    const int labelY = progressBar_->y() + (progressBar_->height() - progressLabel_->height()) / 2;

    if (target >= 50) {
        progressLabel_->setText(QString::number(value) + QStringLiteral("%"));
        if (!progressLabel_->isVisible()) {
            progressLabel_->move(progressBar_->x() + progressBar_->width() - progressLabel_->width(), labelY);
            fade->setOpacity(0.0);
            progressLabel_->show();
            progressLabel_->raise();
            Stop(labelFade_);
            labelFade_ = Animate(fade, "opacity", 1.0, 1300, this);
        }
        Stop(labelMove_);
        labelMove_ =
            Animate(progressLabel_, "pos", QPoint(progressBar_->x() + target - progressLabel_->width(), labelY), 200, this);
    } else {
        Stop(labelMove_);
        progressLabel_->hide();
    }
    Stop(widthAnimation_);
    widthAnimation_ = Animate(progressBar_, "size", QSize(target, progressBar_->height()), 200, this);
}

} // namespace pq
