#pragma once

#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>

class QKeyEvent;
class QLabel;

namespace pq {

class MainMenu;

// Keyboard navigation of the main menu and its language popup: Up and
// Down move the highlight (wrapping), Enter runs the entry after the menu
// has closed, Right opens the language popup from "Language", Esc and
// Left step back. Every key is consumed while the menu is open, except
// those that find nothing to do here and go on to the shortcuts.
class MenuKeys {
public:
    // `entries` are the command names of the menu's entries, in order.
    MenuKeys(MainMenu& menu, QStringList entries);

    // Opens or closes the menu (the window's toggle, which also starts and
    // stops the caption marquees).
    std::function<void()> toggleMenu;
    // Runs an entry's command.
    std::function<void(const QString& command)> runEntry;

    // The main window's key handler offers every key here first.
    bool handleKey(int key);
    bool handleKey(const QKeyEvent& event);
    // The menu was just shown or hidden by its toggle.
    void menuToggled(bool visible);
    // Hides the popup and the menu and remembers the selection; returns
    // the selection before.
    int closeMenu();
    // Opens the menu when needed, then the language popup with its first
    // language highlighted.
    void openLanguageSubmenu();
    // Ctrl+L: closes the menu when the language popup is open, else opens
    // the popup as above.
    void languageShortcut();

    int selectedIndex() const { return selIndex_; }
    int lastSelectedIndex() const { return lastSel_; }
    int selectedLanguage() const { return langIndex_; }
    QLabel* selectedEntry() const;
    const QList<QPointer<QLabel>>& items() const { return items_; }

private:
    bool popupVisible() const;
    void buildItems();
    void buildLanguageItems();
    void selectItem(int index);
    void selectLanguage(int index);
    void highlight(const QList<QPointer<QLabel>>& items, int index);

    MainMenu& menu_;
    QStringList entries_;
    QList<QPointer<QLabel>> items_;
    QList<QPointer<QLabel>> langItems_;
    int selIndex_ = -1;
    int lastSel_ = -1;
    int langIndex_ = -1;
};

} // namespace pq
