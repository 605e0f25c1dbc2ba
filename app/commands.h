#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QKeyEvent;

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
// and what it does. Commands whose feature is still to come have no `run`:
// the menu shows them, their keys are taken, and nothing happens.
struct Command {
    QString name;
    MenuSection section = MenuSection::None;
    QString caption;      // menu caption, English (translated when shown)
    QString icon;         // menu icon
    QString shortcutText; // as the menu shows it
    std::vector<KeyBinding> keys;
    std::function<void()> run;
    std::function<bool()> enabled;
    // Run from a key instead of `run` when set: says whether it took the
    // key (Enter and Esc take it only when a box was open).
    std::function<bool()> runKey;
    // The key goes on to the focused control after the command ran.
    bool passesKeyOn = false;
    // The menu stays open after the command ran.
    bool keepsMenuOpen = false;
    // The command also runs while a panel covers the window.
    bool runsOverPanels = false;
};

// The key a press stands for in the table: a key code from a bare
// character (letters, "+", "=", "-", "_"), "=" as plus and "_" as minus,
// and on a non-Latin layout the Latin key in the same place. 0 for none.
int ShortcutKey(int key, const QString& text, quint32 nativeScanCode = 0);

// The commands the toolbar, the menu and the keyboard start.
class CommandTable {
public:
    void add(Command command);
    const Command* find(const QString& name) const;
    const std::vector<Command>& commands() const { return commands_; }
    // Gives a row its handler (a part that builds the feature fills it).
    void setRun(const QString& name, std::function<void()> run);

    // Runs the command when it is built and enabled; false otherwise.
    bool run(const QString& name) const;
    // The row a key belongs to under these modifiers, or null.
    const Command* commandForKey(int key, Qt::KeyboardModifiers modifiers, bool editFocus) const;
    // Runs the command bound to the key; true when the key was consumed.
    bool handleKey(int key, const QString& text, Qt::KeyboardModifiers modifiers, bool editFocus,
                   quint32 nativeScanCode = 0) const;

    // Told the name of every command as it starts (tests record them).
    std::function<void(const QString& name)> observer;

    // True while a panel covers the window: then only the commands that
    // run over panels run, and the other keys go on to the panel.
    std::function<bool()> panelOpen;

private:
    void started(const Command& command) const;
    bool waitsForPanel(const Command& command) const;

    std::vector<Command> commands_;
};

// A control with this property set to true gets its keys before the table;
// the table sees only the keys it leaves (the text tool's edit box).
inline constexpr char kTakesKeysFirst[] = "takesKeysFirst";

// Takes every key press of the window at its first receiver, the focused
// control or the window, ahead of the control, and offers it to the main
// menu's keyboard navigation and then to the table. A shortcut-override
// request for a key of the table is granted, so that no other shortcut of
// the toolkit takes it.
class ShortcutFilter : public QObject {
public:
    ShortcutFilter(QWidget& window, const CommandTable& commands);

    // The main menu's keyboard navigation; true when it took the key.
    std::function<bool(const QKeyEvent& key)> menuKeys;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    const CommandTable& commands_;
};

} // namespace pq
