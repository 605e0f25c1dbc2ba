#include "app/commands.h"

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

bool CommandTable::waitsForPanel(const Command& command) const
{
    return !command.runsOverPanels && panelOpen && panelOpen();
}

bool CommandTable::run(const QString& name) const
{
    const Command* command = find(name);
    if (!command || !command->run || (command->enabled && !command->enabled()) || waitsForPanel(*command))
        return false;
    command->run();
    return true;
}

bool CommandTable::handleKey(int key, const QString& text, Qt::KeyboardModifiers modifiers, bool editFocus) const
{
    if (key == 0 || key == Qt::Key_unknown)
        key = KeyOfText(text);
    if (key == Qt::Key_Equal)
        key = Qt::Key_Plus;
    else if (key == Qt::Key_Underscore)
        key = Qt::Key_Minus;
    // The 6 of the main keyboard is a minus key; the keypad's is not.
    if (key == Qt::Key_6 && (modifiers & Qt::KeypadModifier))
        return false;
    for (const Command& command : commands_)
        for (const KeyBinding& binding : command.keys)
            if (binding.key == key && Matches(binding.chord, modifiers, editFocus)) {
                if (waitsForPanel(command))
                    break;
                if (command.run && (!command.enabled || command.enabled()))
                    command.run();
                return !command.passesKeyOn;
            }
    return false;
}

ShortcutFilter::ShortcutFilter(QWidget& window, const CommandTable& commands)
    : QObject(&window), window_(window), commands_(commands)
{
}

bool ShortcutFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_)
        return false;
    // A press reaches this filter once per widget it propagates to: it is
    // taken at its first receiver, the focused control (or the window).
    QWidget* first = QApplication::focusWidget();
    if (!first || first->window() != &window_)
        first = &window_;
    if (widget != first)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    bool consumed = false;
    GuardedCall("handleKey",
                [&] { consumed = commands_.handleKey(key->key(), key->text(), key->modifiers(), HasEditFocus()); });
    return consumed;
}

} // namespace pq
