#include "workspace/user_dialogs.h"

#include "ui/message_box.h"
#include "ui/translate.h"
#include "workspace/image_files.h"

#include <QFileDialog>
#include <QFileInfo>

namespace pq {
namespace {

QStringList OpenFilesDialog(QWidget* parent, const QString& title, const QString& filter)
{
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString SaveDataDialog(QWidget* parent, const QString& title, const QString& filter, const QString& suffix)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks before replacing a file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString SaveImageDialog(QWidget* parent, const QString& title, const QString& proposal, int filterIndex)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = SaveDialogFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(filterIndex - 1));
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    const QFileInfo info(proposal);
    if (info.path() != QLatin1String("."))
        dialog.setDirectory(info.path());
    dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

UserDialogs UserDialogs::ForWindow(QWidget* parent)
{
    UserDialogs dialogs;
    dialogs.askYesNo = [parent](const QString& text) { return AskYesNoBox(parent, text); };
    dialogs.showMessage = [parent](const QString& text) { ShowMessageBox(parent, text); };
    dialogs.openFile = [parent](const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    };
    dialogs.openFiles = [parent](const QString& title, const QString& filter) {
        return OpenFilesDialog(parent, title, filter);
    };
    dialogs.saveImageFile = [parent](const QString& title, const QString& proposal, int filterIndex) {
        return SaveImageDialog(parent, title, proposal, filterIndex);
    };
    dialogs.saveDataFile = [parent](const QString& title, const QString& filter, const QString& suffix) {
        return SaveDataDialog(parent, title, filter, suffix);
    };
    return dialogs;
}

bool UserDialogs::confirmOverwrite(const QString& fileName) const
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return true;
    QString question = Translate(QStringLiteral("The file \"%s\" already exists. Replace it?"));
    question.replace(QStringLiteral("%s"), info.fileName());
    return ask(question);
}

} // namespace pq
