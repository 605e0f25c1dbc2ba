#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace pq {

// Which modifiers a key needs. "Command" is Ctrl, Alt or Meta. Plain keys
// are ignored while a text field has the focus.
enum class Chord {
    Plain,
    Command,
    CommandNoShift,
    CommandShift,
    ControlShift, // the Control key itself with Shift
    PlainOrCommand,
    Any,
};

struct KeyBinding {
    int key = 0;
    Chord chord = Chord::Plain;
};

// Where a command appears in the main menu.
enum class MenuSection { None, File, Edit, Help };

// One command of the window: its name, where the menu shows it, its keys
// and what it does. Commands still to come have no `run`: the menu shows
// them and they do nothing.
struct Command {
    QString name;
    MenuSection section = MenuSection::None;
    QString caption;      // menu caption, English (translated when shown)
    QString icon;         // menu icon
    QString shortcutText; // as the menu shows it
    std::vector<KeyBinding> keys;
    std::function<void()> run;
    std::function<bool()> enabled;
    // The key goes on to the focused control after the command ran.
    bool passesKeyOn = false;
    // The menu stays open after the command ran.
    bool keepsMenuOpen = false;
    // The command also runs while a panel covers the window.
    bool runsOverPanels = false;
};

// The commands the toolbar, the menu and the keyboard start.
class CommandTable {
public:
    void add(Command command);
    const Command* find(const QString& name) const;
    const std::vector<Command>& commands() const { return commands_; }

    // Runs the command when it is built and enabled; false otherwise.
    bool run(const QString& name) const;
    // Runs the command bound to the key; true when the key was consumed.
    bool handleKey(int key, const QString& text, Qt::KeyboardModifiers modifiers, bool editFocus) const;

    // True while a panel covers the window: then only the commands that
    // run over panels run, and the other keys go on to the panel.
    std::function<bool()> panelOpen;

private:
    bool waitsForPanel(const Command& command) const;

    std::vector<Command> commands_;
};

// Takes every key press of the window at its first receiver (the focused
// control, or the window) and offers it to the table first.
class ShortcutFilter : public QObject {
public:
    ShortcutFilter(QWidget& window, const CommandTable& commands);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    const CommandTable& commands_;
};

} // namespace pq
