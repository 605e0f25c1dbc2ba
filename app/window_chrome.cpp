#include "app/window_chrome.h"

#include "ui/debug_log.h"
#include "ui/theme.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace pq {

WindowChrome::WindowChrome(QWidget& window, QWidget& background, QWidget& titleBar)
    : QObject(&window), window_(window), background_(background), titleBar_(titleBar)
{
    leftButtonDown = [] { return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0; };
    systemMove = [this] {
        QWindow* handle = window_.windowHandle();
        return handle && handle->startSystemMove();
    };
    moveTimer_.setInterval(200);
    moveTimer_.setSingleShot(true);
    connect(&moveTimer_, &QTimer::timeout, this, [this] { GuardedCall("MoveWinTimerTimer", [this] { startMove(); }); });
    housekeeping_.setInterval(200);
    connect(&housekeeping_, &QTimer::timeout, this, [this] { GuardedCall("Timer1Timer", [this] { tick(); }); });
    housekeeping_.start();
    titleBar_.installEventFilter(this);
    background_.installEventFilter(this);
}

void WindowChrome::setHighlight(bool on)
{
    if (highlighted_ == on)
        return;
    highlighted_ = on;
    background_.update();
}

void WindowChrome::resizing(bool on)
{
    resizing_ = on;
    setHighlight(on);
}

void WindowChrome::press(bool titleBar, Qt::MouseButton button)
{
    // The system's maximised state keeps the window where it is; our own
    // maximise lets it be dragged and maximises it again where dropped.
    if (titleBar && (button != Qt::LeftButton || window_.isMaximized()))
        return;
    setHighlight(true);
    if (button == Qt::LeftButton) {
        pending_ = true;
        moveTimer_.start();
    }
}

void WindowChrome::startMove()
{
    moveTimer_.stop();
    if (!pending_)
        return;
    pending_ = false;
    titleBar_.setCursor(Qt::SizeAllCursor);
    background_.setCursor(Qt::SizeAllCursor);
    if (moveStarted)
        moveStarted();
    if (systemMove()) {
        // The release goes to the system; the tick or the next mouse event
        // that reaches us ends the move.
        systemMoving_ = true;
        qApp->installEventFilter(this);
        return;
    }
    // No system move (no window manager): we follow the mouse ourselves.
    moving_ = true;
    grabOffset_ = QCursor::pos() - window_.pos();
    titleBar_.grabMouse();
}

void WindowChrome::endMove()
{
    const bool wasMoving = moving_;
    moveTimer_.stop();
    if (wasMoving)
        titleBar_.releaseMouse();
    if (systemMoving_)
        qApp->removeEventFilter(this);
    pending_ = false;
    moving_ = false;
    systemMoving_ = false;
    titleBar_.unsetCursor();
    background_.unsetCursor();
    setHighlight(resizing_);
}

void WindowChrome::tick()
{
    // A held button leaves everything as it is. Once it is up any move is
    // over, also a system move whose release went to the system.
    if (leftButtonDown())
        return;
    if (pending_ || moving_ || systemMoving_)
        endMove();
    else if (highlighted_ && !resizing_)
        setHighlight(false);
    const QRect bounds = window_.geometry();
    if (bounds != lastBounds_) {
        lastBounds_ = bounds;
        if (boundsChanged)
            boundsChanged();
    }
    const qreal scale = window_.devicePixelRatioF();
    if (std::abs(scale - lastDisplayScale_) > 0.01) {
        const bool first = lastDisplayScale_ == 0;
        lastDisplayScale_ = scale;
        if (!first && displayScaleChanged)
            displayScaleChanged();
    }
}

void WindowChrome::paintBackground()
{
    // The background as the style draws it, then the highlight over it:
    // the window stays opaque without translucency.
    QPainter painter(&background_);
    QStyleOption option;
    option.initFrom(&background_);
    background_.style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, &background_);
    painter.fillRect(background_.rect(), QColor::fromRgba(ThemedBackgroundColor(0x80B0C0D6)));
}

bool WindowChrome::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (systemMoving_ && watched->isWidgetType()) {
        // The first mouse event without the left button after the system's
        // move says it ended, whichever widget of ours it reaches.
        const bool over = type == QEvent::MouseButtonRelease || type == QEvent::Enter
                          || (type == QEvent::MouseMove
                              && !(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton));
        if (over)
            endMove();
    }
    if (watched != &background_ && watched != &titleBar_)
        return false;
    if (watched == &background_ && type == QEvent::Paint && highlighted_) {
        paintBackground();
        return true;
    }
    const bool onTitle = watched == &titleBar_;
    switch (type) {
    case QEvent::MouseButtonPress:
        press(onTitle, static_cast<QMouseEvent*>(event)->button());
        return onTitle && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    case QEvent::MouseMove:
        if (moving_) {
            window_.move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - grabOffset_);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (pending_ || moving_ || systemMoving_ || highlighted_)
            endMove();
        return false;
    case QEvent::MouseButtonDblClick:
        moveTimer_.stop();
        pending_ = false;
        return false;
    default: return false;
    }
}

} // namespace pq
