#include "tools/pq_panel/panel_actions.h"

#include "app/main_window.h"
#include "app/manual_brush.h"
#include "panels/brush_canvas.h"
#include "panels/brush_panel.h"
#include "workspace/canvas_area.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "engine/runtime/effect_runtime.h"
#include "gfx/codec.h"
#include "app/panel_host.h"
#include "panels/color_button.h"
#include "panels/tile_selector.h"
#include "panels/lut_selector.h"
#include "panels/overlay_host.h"
#include "panels/tile_grid.h"
#include "ui/widgets/color_panel.h"
#include "workspace/auto_enhance_command.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTimer>

#include <cmath>

namespace pqpanel {
namespace {

constexpr int kSettleLimitMs = 20000;

[[noreturn]] void Fail(const QString& message)
{
    throw ActionError{message};
}

void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    // The press may have moved the focus or closed a window.
    QWidget* releaseTarget = QApplication::focusWidget() ? QApplication::focusWidget() : target;
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(releaseTarget, &release);
}

// "ctrl+shift+z", "Return", "Tab": modifiers, then one key by its name.
void ParseKeys(const QString& keys, int* key, Qt::KeyboardModifiers* modifiers, QString* text)
{
    *modifiers = Qt::NoModifier;
    const QStringList parts = keys.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        Fail(QStringLiteral("no key in \"%1\"").arg(keys));
    for (int i = 0; i + 1 < parts.size(); ++i) {
        const QString m = parts[i].toLower();
        if (m == QLatin1String("ctrl"))
            *modifiers |= Qt::ControlModifier;
        else if (m == QLatin1String("shift"))
            *modifiers |= Qt::ShiftModifier;
        else if (m == QLatin1String("alt"))
            *modifiers |= Qt::AltModifier;
        else if (m == QLatin1String("meta"))
            *modifiers |= Qt::MetaModifier;
        else
            Fail(QStringLiteral("unknown modifier \"%1\"").arg(parts[i]));
    }
    const QString name = parts.last();
    const QKeySequence sequence = QKeySequence::fromString(name.size() == 1 ? name.toUpper() : name);
    if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown)
        Fail(QStringLiteral("unknown key \"%1\"").arg(name));
    *key = sequence[0].key();
    *text = QString();
    if (name.size() == 1 && !(*modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        *text = (*modifiers & Qt::ShiftModifier) ? name.toUpper() : name.toLower();
    else if (*key == Qt::Key_Return || *key == Qt::Key_Enter)
        *text = QStringLiteral("\r");
    else if (*key == Qt::Key_Escape)
        *text = QString(QChar(0x1B));
    else if (*key == Qt::Key_Tab)
        *text = QStringLiteral("\t");
    if (*key == Qt::Key_Tab && (*modifiers & Qt::ShiftModifier))
        *key = Qt::Key_Backtab;
}

bool ParseSwitch(const QString& value, bool* on)
{
    const QString v = value.toLower();
    if (v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("on"))
        *on = true;
    else if (v == QLatin1String("0") || v == QLatin1String("false") || v == QLatin1String("off"))
        *on = false;
    else
        return false;
    return true;
}

} // namespace

bool PanelDriver::pending() const
{
    if (pq::EffectWorkerCount() > 0 || pq::AutoEnhanceCommand::workerCount() > 0
        || window_.document().runningEffect.load() != -1 || window_.document().backgroundWorkers.load() > 0)
        return true;
    // The LUT selector's preview, due or being mapped.
    if (auto* lut = qobject_cast<const pq::LUTSelector*>(window_.panels().overlay()->panel()); lut && lut->previewPending())
        return true;
    // One-shot timers of the window and its panels (repeating ones never end).
    const auto timers = window_.findChildren<QTimer*>();
    for (const QTimer* timer : timers)
        if (timer->isActive() && timer->isSingleShot() && timer->interval() <= kSettleLimitMs)
            return true;
    return false;
}

void PanelDriver::settle()
{
    QElapsedTimer clock;
    clock.start();
    // Queued calls first, then whatever they started.
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents();
    } while (clock.elapsed() < 30);
    while (pending() && clock.elapsed() < kSettleLimitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    for (int i = 0; i < 3; ++i) {
        QApplication::sendPostedEvents();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

QWidget* PanelDriver::control(const QString& name) const
{
    // The open panel first: its controls may share names with the window's
    // (the texture selector's "applyButton" beside the effect panel's).
    if (QWidget* panel = window_.panels().overlay()->panel(); panel && panel->isVisible()) {
        if (panel->objectName() == name)
            return panel;
        if (QWidget* found = panel->findChild<QWidget*>(name))
            return found;
    }
    if (QWidget* found = window_.findChild<QWidget*>(name))
        return found;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == name)
            return top;
        if (QWidget* found = top->findChild<QWidget*>(name))
            return found;
    }
    Fail(QStringLiteral("no control named \"%1\"").arg(name));
}

void PanelDriver::set(const QString& name, const QString& value)
{
    QWidget* widget = control(name);
    bool ok = false;
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        const int v = value.toInt(&ok);
        if (!ok)
            Fail(QStringLiteral("\"%1\" is not a whole number for %2").arg(value, name));
        slider->setValue(v);
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        const int v = value.toInt(&ok);
        if (!ok)
            Fail(QStringLiteral("\"%1\" is not a whole number for %2").arg(value, name));
        spin->setValue(v);
    } else if (auto* doubleSpin = qobject_cast<QDoubleSpinBox*>(widget)) {
        const double v = value.toDouble(&ok);
        if (!ok)
            Fail(QStringLiteral("\"%1\" is not a number for %2").arg(value, name));
        doubleSpin->setValue(v);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        const int index = combo->findText(value);
        if (index < 0)
            Fail(QStringLiteral("%1 has no item \"%2\"").arg(name, value));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    } else if (auto* colorButton = qobject_cast<pq::ColorButton*>(widget)) {
        const QColor color = QColor::fromString(value);
        if (!color.isValid() || !value.startsWith(QLatin1Char('#')))
            Fail(QStringLiteral("\"%1\" is not a colour #rrggbb or #aarrggbb for %2").arg(value, name));
        colorButton->setColor(color.rgba());
        emit colorButton->colorChanged(color.rgba());
    } else if (auto* colors = qobject_cast<pq::ColorPanel*>(widget)) {
        const QColor color = QColor::fromString(value);
        if (!color.isValid() || !value.startsWith(QLatin1Char('#')))
            Fail(QStringLiteral("\"%1\" is not a colour #rrggbb for %2").arg(value, name));
        colors->setColor(color);
        emit colors->colorChanged();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable()) {
        bool on = false;
        if (!ParseSwitch(value, &on))
            Fail(QStringLiteral("\"%1\" is not on or off for %2").arg(value, name));
        if (button->isChecked() != on)
            button->click();
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
        emit edit->editingFinished();
    } else {
        Fail(QStringLiteral("%1 takes no value").arg(name));
    }
}

void PanelDriver::type(const QString& name, const QString& text)
{
    QWidget* widget = control(name);
    widget->window()->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget))
        spin->selectAll();
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->selectAll();
    for (const QChar c : text) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : widget;
        const int key = c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : c.unicode();
        SendKey(target, key, Qt::NoModifier, QString(c));
    }
}

QWidget* PanelDriver::keyTarget() const
{
    if (QWidget* focus = QApplication::focusWidget())
        return focus;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return &window_;
}

void PanelDriver::key(const QString& keys)
{
    int key = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
    ParseKeys(keys, &key, &modifiers, &text);
    SendKey(keyTarget(), key, modifiers, text);
}

void PanelDriver::click(const QString& name)
{
    QWidget* widget = control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->click();
        return;
    }
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void PanelDriver::grab(const QString& name, const QString& file)
{
    QWidget* widget = name == QLatin1String("window") ? &window_ : control(name);
    if (!widget->grab().save(file, "PNG"))
        Fail(QStringLiteral("cannot write %1").arg(file));
}

void PanelDriver::load(const QStringList& files)
{
    QWidget* panel = window_.panels().overlay()->panel();
    if (auto* selector = qobject_cast<pq::TileSelector*>(panel)) {
        selector->loadCustom(files);
    } else if (auto* chooser = qobject_cast<pq::LUTSelector*>(panel)) {
        chooser->getOpenFileNames = [files](const QString&, const QString&) { return files; };
        chooser->loadFromDisk();
        QElapsedTimer clock;
        clock.start();
        while (chooser->isLoading() && clock.elapsed() < kSettleLimitMs)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    } else {
        Fail(QStringLiteral("--load needs the frame, texture or lut panel"));
    }
}

void PanelDriver::select(const QString& text)
{
    QWidget* panel = window_.panels().overlay()->panel();
    if (auto* selector = qobject_cast<pq::TileSelector*>(panel)) {
        pq::TileGrid* tiles = selector->tiles;
        for (int i = 0; i < tiles->count(); ++i)
            if (tiles->name(i) == text) {
                emit tiles->tileClicked(i);
                return;
            }
        Fail(QStringLiteral("no tile \"%1\"").arg(text));
    }
    auto* chooser = qobject_cast<pq::LUTSelector*>(panel);
    if (!chooser)
        Fail(QStringLiteral("--select needs the frame, texture or lut panel"));
    const QList<QListWidgetItem*> items = chooser->lutList->findItems(text, Qt::MatchExactly);
    if (items.isEmpty())
        Fail(QStringLiteral("no item \"%1\"").arg(text));
    chooser->lutList->setCurrentItem(items.first());
}

void PanelDriver::writeResult(const QString& file)
{
    const gfx::Image& result = window_.document().resultImage;
    if (result.isNull())
        Fail(QStringLiteral("there is no result to write"));
    QString error;
    if (!gfx::EncodeToFile(result, file, gfx::ImageFormat::Png, 100, &error))
        Fail(QStringLiteral("cannot write %1: %2").arg(file, error));
}

void PanelDriver::selectEffect(const QStringList& numbers)
{
    std::array<int, 6> v{};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        v[size_t(i)] = numbers.value(i).toInt(&ok);
        if (!ok)
            Fail(QStringLiteral("--effect takes six whole numbers, not \"%1\"").arg(numbers.value(i)));
    }
    if (v[0] < 100 || v[0] > 599)
        Fail(QStringLiteral("no effect %1").arg(v[0]));
    window_.effectLists().select(v[0]);
    window_.effectPanel().selectEffect(v[0]);
    if (window_.document().selectedEffect != v[0])
        Fail(QStringLiteral("effect %1 cannot be selected").arg(v[0]));
    for (int k = 0; k < 5; ++k)
        window_.effectPanel().sliders()[size_t(k)]->setValue(v[size_t(k + 1)]);
}

void PanelDriver::zoom(const QString& value)
{
    bool ok = false;
    const double z = value.toDouble(&ok);
    if (!ok || !(z >= 0.01 && z <= 32))
        Fail(QStringLiteral("--zoom takes a factor from 0.01 to 32, not \"%1\"").arg(value));
    window_.document().zoom = float(z);
    window_.canvasArea().updateCanvasSize();
    window_.canvasArea().centreImage();
    if (pq::BrushPanel* brush = window_.manualBrush().panel())
        brush->updatePan({window_.document().zoom, window_.document().pan});
}

void PanelDriver::stroke(const QString& points)
{
    const QStringList parts = points.split(QLatin1Char(','));
    std::array<double, 4> p{};
    bool ok = parts.size() == 4;
    for (int i = 0; ok && i < 4; ++i)
        p[size_t(i)] = parts[i].toDouble(&ok);
    if (!ok)
        Fail(QStringLiteral("--stroke takes X0,Y0,X1,Y1, not \"%1\"").arg(points));
    pq::BrushPanel* brush = window_.manualBrush().panel();
    if (!brush)
        Fail(QStringLiteral("the manual brush is not open"));
    QWidget* canvas = brush->canvas();
    const pq::Document& document = window_.document();
    const auto toScreen = [&](double x, double y) {
        return document.pan + QPointF(x, y) * double(document.zoom);
    };
    const QPointF from = toScreen(p[0], p[1]);
    const QPointF to = toScreen(p[2], p[3]);
    const auto send = [canvas](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, canvas->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    const double length = std::hypot(to.x() - from.x(), to.y() - from.y());
    const int steps = int(std::floor(length / 2.0));
    for (int i = 1; i <= steps; ++i) {
        send(QEvent::MouseMove, from + (to - from) * (2.0 * i / length), Qt::NoButton, Qt::LeftButton);
        QApplication::processEvents();
    }
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    // The stroke is applied once the release's handler has returned.
    settle();
}

} // namespace pqpanel
