#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace pq {

// The questions and file dialogs the workspace puts to the user. The window
// fills them with real dialogs (ForWindow); tests replace any of them. An
// empty answer means the dialog was cancelled.
struct UserDialogs {
    std::function<bool(const QString& question)> askYesNo;
    std::function<void(const QString& text)> showMessage;
    std::function<QString(const QString& title, const QString& filter)> openFile;
    std::function<QStringList(const QString& title, const QString& filter)> openFiles;
    // The image save dialog: a proposed path and the filter (1 JPEG, 2 PNG).
    std::function<QString(const QString& title, const QString& proposal, int filterIndex)> saveImageFile;
    // A data file of the given filter and default suffix (.pqk).
    std::function<QString(const QString& title, const QString& filter, const QString& suffix)> saveDataFile;

    // Real dialogs over `parent`.
    static UserDialogs ForWindow(QWidget* parent);

    bool ask(const QString& question) const { return askYesNo && askYesNo(question); }
    void tell(const QString& text) const
    {
        if (showMessage)
            showMessage(text);
    }
    // True when the file does not exist yet or the user agrees to replace it.
    bool confirmOverwrite(const QString& fileName) const;
};

} // namespace pq
