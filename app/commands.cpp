#include "app/commands.h"

#include "app/latin_keys.h"
#include "ui/debug_log.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace pq {
namespace {

bool HasEditFocus()
{
    const QWidget* focus = QApplication::focusWidget();
    return qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QTextEdit*>(focus)
           || qobject_cast<const QPlainTextEdit*>(focus) || qobject_cast<const QAbstractSpinBox*>(focus);
}

// The key a bare character stands for: letters upper-cased, "+" and "="
// the plus key, "-" and "_" the minus key.
int KeyOfText(const QString& text)
{
    if (text.size() != 1)
        return 0;
    const QChar c = text.at(0);
    // Ctrl+V may come as its control character alone (22), as some number
    // boxes deliver it; other control characters stay unhandled.
    if (c.unicode() == 22)
        return Qt::Key_V;
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
        return Qt::Key_A + (c.unicode() - 'a');
    if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        return Qt::Key_A + (c.unicode() - 'A');
    if (c == QLatin1Char('+') || c == QLatin1Char('='))
        return Qt::Key_Plus;
    if (c == QLatin1Char('-') || c == QLatin1Char('_'))
        return Qt::Key_Minus;
    return 0;
}

bool Matches(Chord chord, Qt::KeyboardModifiers modifiers, bool editFocus)
{
    const bool command = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool shift = modifiers & Qt::ShiftModifier;
    switch (chord) {
    case Chord::Plain: return !command && !editFocus;
    case Chord::Command: return command;
    case Chord::CommandNoShift: return command && !shift;
    case Chord::CommandShift: return command && shift;
    case Chord::ControlShift: return (modifiers & Qt::ControlModifier) && shift;
    case Chord::PlainOrCommand: return command || !editFocus;
    case Chord::Any: return true;
    }
    return false;
}

} // namespace

int ShortcutKey(int key, const QString& text, quint32 nativeScanCode)
{
    if (const int latin = LatinKey(key, text, nativeScanCode))
        return latin;
    if (key == 0 || key == Qt::Key_unknown)
        key = KeyOfText(text);
    if (key == Qt::Key_Equal)
        return Qt::Key_Plus;
    if (key == Qt::Key_Underscore)
        return Qt::Key_Minus;
    return key;
}

void CommandTable::add(Command command)
{
    commands_.push_back(std::move(command));
}

const Command* CommandTable::find(const QString& name) const
{
    for (const Command& command : commands_)
        if (command.name == name)
            return &command;
    return nullptr;
}

void CommandTable::setRun(const QString& name, std::function<void()> run)
{
    for (Command& command : commands_)
        if (command.name == name)
            command.run = std::move(run);
}

void CommandTable::started(const Command& command) const
{
    if (observer)
        observer(command.name);
}

bool CommandTable::waitsForPanel(const Command& command) const
{
    return !command.runsOverPanels && panelOpen && panelOpen();
}

bool CommandTable::run(const QString& name) const
{
    const Command* command = find(name);
    if (!command || !command->run || (command->enabled && !command->enabled()) || waitsForPanel(*command))
        return false;
    started(*command);
    command->run();
    return true;
}

const Command* CommandTable::commandForKey(int key, Qt::KeyboardModifiers modifiers, bool editFocus) const
{
    if (key == 0 || key == Qt::Key_unknown)
        return nullptr;
    // The 6 of the main keyboard is a minus key; the keypad's is not.
    if (key == Qt::Key_6 && (modifiers & Qt::KeypadModifier))
        return nullptr;
    for (const Command& command : commands_)
        for (const KeyBinding& binding : command.keys)
            if (binding.key == key && Matches(binding.chord, modifiers, editFocus))
                return &command;
    return nullptr;
}

bool CommandTable::handleKey(int key, const QString& text, Qt::KeyboardModifiers modifiers, bool editFocus,
                             quint32 nativeScanCode) const
{
    const Command* command = commandForKey(ShortcutKey(key, text, nativeScanCode), modifiers, editFocus);
    if (!command || waitsForPanel(*command))
        return false;
    const bool enabled = !command->enabled || command->enabled();
    if (command->runKey) {
        if (!enabled)
            return false;
        started(*command);
        return command->runKey();
    }
    if (command->run && enabled) {
        started(*command);
        command->run();
    }
    return !command->passesKeyOn;
}

ShortcutFilter::ShortcutFilter(QWidget& window, const CommandTable& commands)
    : QObject(&window), window_(window), commands_(commands)
{
}

bool ShortcutFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_)
        return false;
    // A press reaches this filter once per widget it propagates to: it is
    // taken at its first receiver, the focused control (or the window),
    // or, for a control that takes its keys first, at the next one up.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != &window_)
        focus = &window_;
    const bool controlFirst = focus != &window_ && focus->property(kTakesKeysFirst).toBool();
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
        if (controlFirst || widget != focus)
            return false;
        const int code = ShortcutKey(key->key(), key->text(), key->nativeScanCode());
        if (!commands_.commandForKey(code, key->modifiers(), HasEditFocus()))
            return false;
        event->accept();
        return true;
    }
    if (widget != (controlFirst ? focus->parentWidget() : focus))
        return false;
    bool consumed = false;
    GuardedCall("handleKey", [&] {
        consumed = (menuKeys && menuKeys(*key))
                   || commands_.handleKey(key->key(), key->text(), key->modifiers(), HasEditFocus(),
                                          key->nativeScanCode());
    });
    return consumed;
}

} // namespace pq
