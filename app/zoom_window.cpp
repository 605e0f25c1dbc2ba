#include "app/zoom_window.h"

#include "platform/numeric.h"
#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "ui/theme.h"
#include "ui/theme_style.h"
#include "ui/translate.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

namespace pq {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 132;

QString Caption(int percent)
{
    return Translate(QStringLiteral("Interface size")) + QStringLiteral(": ") + QString::number(percent)
           + QStringLiteral("%");
}

} // namespace

ZoomWindow::ZoomWindow(QWidget* parent) : QFrame(parent)
{
    // Built in design units; the interface scale is applied when shown.
    setObjectName(QStringLiteral("interfaceZoomWindow"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedSize(kWidth, kHeight);
    valueLabel_ = new QLabel(this);
    valueLabel_->setObjectName(QStringLiteral("interfaceZoomCaption"));
    valueLabel_->setFont(InterfaceFont(16));
    valueLabel_->setGeometry(24, 16, 272, 22);
    trackBar_ = new QSlider(Qt::Horizontal, this);
    trackBar_->setObjectName(QStringLiteral("interfaceZoomTrackBar"));
    trackBar_->setGeometry(24, 52, 272, 24);
    trackBar_->setRange(50, 150);
    trackBar_->setSingleStep(5);
    trackBar_->setPageStep(5);
    trackBar_->setCursor(Qt::PointingHandCursor);
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("interfaceZoomOK"));
    okButton_->setGeometry(127, 90, 66, 28);
    okButton_->setFont(InterfaceFont(14));
    okButton_->setCursor(Qt::PointingHandCursor);
    closeArea_ = new QWidget(this);
    closeArea_->setObjectName(QStringLiteral("interfaceZoomClose"));
    closeArea_->setAttribute(Qt::WA_StyledBackground);
    closeArea_->setAttribute(Qt::WA_Hover);
    closeArea_->setGeometry(288, 6, 24, 24);
    closeArea_->setCursor(Qt::PointingHandCursor);
    closeArea_->installEventFilter(this);
    closeCross_ = new QLabel(QStringLiteral("\u2715"), closeArea_);
    closeCross_->setGeometry(2, 2, 20, 20);
    closeCross_->setAlignment(Qt::AlignCenter);
    closeCross_->setFont(InterfaceFont(16));
    closeCross_->setAttribute(Qt::WA_TransparentForMouseEvents);

    applyTimer_.setInterval(150);
    connect(&applyTimer_, &QTimer::timeout, this, [this] {
        GuardedCall("UIZoomApplyTimerTimer", [this] {
            if (!isVisible())
                applyTimer_.stop();
            else if (!trackBar_->isSliderDown())
                applyFromTrackBar();
        });
    });
    // Every step while dragging: the caption only.
    connect(trackBar_, &QSlider::valueChanged, this, [this](int value) {
        GuardedCall("UIZoomTrackBarChange", [this, value] {
            showCaption(value);
            if (!trackBar_->isSliderDown())
                applyFromTrackBar();
        });
    });
    connect(trackBar_, &QSlider::sliderReleased, this,
            [this] { GuardedCall("UIZoomTrackBarMouseUp", [this] { applyFromTrackBar(); }); });
    connect(okButton_, &QPushButton::clicked, this, [this] {
        GuardedCall("UIZoomOKClick", [this] {
            if (okClicked)
                okClicked();
        });
    });
    hide();
}

void ZoomWindow::showCaption(int percent)
{
    valueLabel_->setText(Caption(percent));
}

void ZoomWindow::fitCaptionFont()
{
    // The widest caption fits: the font shrinks by half steps down to 10.
    qreal size = 16;
    const QString widest = Caption(150);
    const auto width = [&widest](qreal s) {
        QFont font = InterfaceFont(16);
        font.setPixelSize(std::max(1, Units(s)));
        return QFontMetrics(font).horizontalAdvance(widest);
    };
    while (size > 10 && width(size) > Units(272))
        size -= 0.5;
    QFont font = valueLabel_->font();
    font.setPixelSize(std::max(1, Units(size)));
    valueLabel_->setFont(font);
}

void ZoomWindow::applyThemeColors()
{
    const QString text = CssColor(ThemedTextColor(QColor(0xD5, 0xD5, 0xD5)));
    SetDesignStyleSheet(this, QStringLiteral("#interfaceZoomWindow { background: %1; border: 2px solid %2; "
                                             "border-radius: 15px; } #interfaceZoomCaption { color: %3; }")
                                  .arg(CssColor(ThemedColor(QColor(0x31, 0x41, 0x58))),
                                       CssColor(ThemedColor(QColor(0x54, 0x5F, 0x72))), text));
    closeCross_->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(text));
    closeArea_->setStyleSheet(QStringLiteral("background: transparent; border-radius: 5px;"));
}

void ZoomWindow::open(int percent)
{
    applyThemeColors();
    fitCaptionFont();
    {
        const QSignalBlocker quiet(trackBar_);
        trackBar_->setValue(percent);
    }
    showCaption(trackBar_->value());
    centre();
    show();
    raise();
    applyTimer_.start();
    trackBar_->setFocus(Qt::OtherFocusReason);
}

void ZoomWindow::centre()
{
    if (const QWidget* host = parentWidget())
        move(platform::Round((host->width() - width()) / 2.0), platform::Round((host->height() - height()) / 2.0));
}

void ZoomWindow::applyFromTrackBar()
{
    const int value = trackBar_->value();
    if (currentPercent && value == currentPercent())
        return;
    if (applyPercent)
        applyPercent(value);
    fitCaptionFont();
    centre();
}

bool ZoomWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != closeArea_)
        return QFrame::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        closeArea_->setStyleSheet(QStringLiteral("background: #ff0000; border-radius: 5px;"));
        closeCross_->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
        return false;
    case QEvent::Leave: applyThemeColors(); return false;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && closeClicked)
            GuardedCall("UIZoomCloseClick", [this] { closeClicked(); });
        return true;
    default: return false;
    }
}

} // namespace pq
