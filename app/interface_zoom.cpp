#include "app/interface_zoom.h"

#include "app/window_geometry.h"
#include "app/zoom_window.h"
#include "platform/numeric.h"
#include "ui/debug_log.h"
#include "ui/interface_scale.h"
#include "ui/settings.h"
#include "ui/translate.h"

#include <QApplication>
#include <QChildEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace pq {

InterfaceZoom::InterfaceZoom(QWidget& window, QWidget& host) : QObject(&window), mainWindow_(window), host_(host)
{
    qApp->installEventFilter(this);
}

int InterfaceZoom::percent() const
{
    return platform::Round(zoom_ * 100.0);
}

void InterfaceZoom::setZoom(float zoom)
{
    zoom_ = std::clamp(zoom, 0.5f, 1.5f);
    if (captionChanged)
        captionChanged(caption());
}

QString InterfaceZoom::caption() const
{
    return Translate(QStringLiteral("Interface size")) + QStringLiteral(": ") + QString::number(percent())
           + QStringLiteral("%");
}

bool InterfaceZoom::updateScale(QWidget* form)
{
    QWidget* f = form ? form : &mainWindow_;
    const double target = AppliedScale(zoom_);
    const double current = WidgetScale(f);
    if (std::abs(target - current) <= 0.01)
        return false;
    if (f == &mainWindow_) {
        // The main window keeps its size in pixels; its content is laid out
        // anew at the new scale.
        SetInterfaceScale(target);
        ScaleWidgetTree(f, target);
    } else {
        // Another window grows or shrinks about its top-left corner.
        const QRect r = f->geometry();
        const double ratio = target / current;
        ScaleWidgetTree(f, target);
        f->setGeometry(r.left(), r.top(), platform::Round(r.width() * ratio), platform::Round(r.height() * ratio));
    }
    DebugLogFmt("UIScale: %.4f -> %.4f", current, target);
    return true;
}

void InterfaceZoom::apply(float zoom, bool save)
{
    setZoom(zoom);
    if (save)
        SetSetting(QStringLiteral("uizoom"), QString::number(percent()));
    if (!mainWindow_.windowHandle())
        return;
    if (QWidget* editor = scriptEditor ? scriptEditor() : nullptr; editor && editor->isVisible())
        updateScale(editor);
    if (std::abs(AppliedScale(zoom_) - WidgetScale(&mainWindow_)) <= 0.01)
        return;
    if (beforeRescale)
        GuardedCall("beforeRescale", [this] { beforeRescale(); });
    updateScale(nullptr);
    updateMinimumSize();
    if (afterRescale)
        GuardedCall("afterRescale", [this] { afterRescale(); });
}

void InterfaceZoom::updateMinimumSize()
{
    const QScreen* display = mainWindow_.screen();
    if (!display)
        return;
    const QSize minimum = MinimumWindowSize(display->availableGeometry().size(), InterfaceScale());
    if (minimum.isEmpty())
        return;
    mainWindow_.setMinimumSize(minimum);
    DebugLogFmt("MinConstraints: workArea=%dx%d -> minW=%d minH=%d", display->availableGeometry().width(),
                display->availableGeometry().height(), minimum.width(), minimum.height());
}

void InterfaceZoom::menuClick()
{
    if (menuVisible && menuVisible() && closeMenu)
        closeMenu();
    showWindow();
}

ZoomWindow* InterfaceZoom::window() const
{
    return window_;
}

bool InterfaceZoom::windowOpen() const
{
    return window_ && window_->isVisible();
}

void InterfaceZoom::showWindow()
{
    if (!window_) {
        window_ = new ZoomWindow(&host_);
        window_->applyPercent = [this](int value) { apply(float(value) / 100.0f, true); };
        window_->currentPercent = [this] { return percent(); };
        window_->okClicked = [this] { okClicked(); };
        window_->closeClicked = [this] { closeClicked(); };
        ScaleWidgetTree(window_, InterfaceScale());
    }
    percentAtOpen_ = percent();
    settingAtOpen_ = GetSetting(QStringLiteral("uizoom"), QString());
    window_->open(percent());
}

void InterfaceZoom::okClicked()
{
    if (!window_)
        return;
    window_->applyFromTrackBar();
    window_->applyTimer().stop();
    window_->hide();
}

void InterfaceZoom::closeClicked()
{
    if (!window_)
        return;
    window_->applyTimer().stop();
    window_->hide();
    // The zoom and the setting found at opening come back; an absent
    // setting stays absent, so an automatic zoom stays automatic.
    if (percent() != percentAtOpen_) {
        apply(float(percentAtOpen_) / 100.0f, false);
        SetSetting(QStringLiteral("uizoom"), settingAtOpen_);
    }
}

void InterfaceZoom::watchForPanels(QWidget* host)
{
    panelHost_ = host;
}

bool InterfaceZoom::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::ChildAdded && watched == panelHost_) {
        // A panel is built in design units; it takes the scale before the
        // host places it.
        if (auto* panel = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            ScaleWidgetTree(panel, InterfaceScale());
        return false;
    }
    if (type == QEvent::Show && scriptEditor && watched->isWidgetType()) {
        QWidget* editor = scriptEditor();
        if (editor && watched == editor)
            GuardedCall("UpdateScaleForCurrentMonitor", [this, editor] { updateScale(editor); });
    }
    return false;
}

} // namespace pq
