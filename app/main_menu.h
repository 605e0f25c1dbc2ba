#pragma once

#include <QFrame>
#include <QMap>

#include <functional>

class QLabel;

namespace pq {

class CommandTable;

// The drop-down main menu under the menu button: the commands of the
// table in their sections (FILE, EDIT, HELP) with their shortcuts. It
// hides when the mouse leaves it.
class MainMenu : public QFrame {
    Q_OBJECT
public:
    MainMenu(const CommandTable& commands, QWidget* parent);

    // Shows or hides it below `anchorBottom`, fitted into `roomBottom`.
    void toggle(int x, int y, int roomBottom);
    // A caption that changes (the interface size).
    void setCaption(const QString& command, const QString& text);
    QLabel* entry(const QString& command) const { return entries_.value(command); }
    // The command of an entry label; empty for another label.
    QString entryCommand(const QLabel* label) const;

    // The language popup of the "Language" entry, built by the interface
    // languages: the popup when it exists, its creation and showing (the
    // entry's click), and the pick of one of its language labels.
    std::function<QWidget*()> languagePopup;
    std::function<void()> languageMIClick;
    std::function<void(QLabel*)> langOptionClick;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const CommandTable& commands_;
    QMap<QString, QLabel*> entries_;
    QMap<QLabel*, QString> shortcutCaptions_;
    int fullHeight_ = 0;
};

} // namespace pq
