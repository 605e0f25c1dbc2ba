#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QFrame;
class QLabel;

namespace pq {

class MainWindow;

// The interface languages of the main window: the language popup of the
// menu's "Language" entry, the language change with everything it
// relabels, the system language at start, and the export of the lists
// for translators.
class InterfaceLanguages : public QObject {
public:
    explicit InterfaceLanguages(MainWindow& window);

    // The popup, null until the "Language" entry first opens it.
    QFrame* popup() const { return popup_; }
    // The entry's click: makes the popup on first use, places it beside
    // the entry and shows or hides it.
    void languageMIClick();
    // A popup label picked: applies and saves its language, closes the menu.
    void langOptionClick(QLabel* option);

    // Puts the English texts back, then translates the window, the About
    // window and the script editor into `code` and relabels what code
    // sets itself. A code outside the table gives English texts while the
    // current language is that code. Errors are logged and raised again.
    void switchLanguage(const QString& code);
    // The language of a locale name (the system's by default), or English;
    // saves nothing.
    void detectAndSetSystemLanguage(const QString& localeName);
    void detectAndSetSystemLanguage();
    // The setting "language" when set, else the system language.
    void applyStartupLanguage();

    // Writes the 14 lists into the "Languages" folder nearest above
    // `programFolder` (the program's own by default) and says where; with
    // no such folder nothing happens.
    void exportLanguages(const QString& programFolder);
    void exportLanguages();

private:
    void buildPopup();
    void switchSteps(const QString& code);
    void relabelCodeTexts(const QString& code);

    MainWindow& window_;
    QPointer<QFrame> popup_;
};

} // namespace pq
