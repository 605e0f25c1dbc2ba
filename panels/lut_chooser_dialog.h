#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pq {

// A plain chooser of the table effect 404 applies: the built-in looks, the
// tables imported from zip archives during this run and .cube files picked
// from disk, with "Select" and "Cancel". It stands in for the LUT selector
// panel (with its live preview) until that panel exists.
class TLUTChooserDialog : public QDialog {
    Q_OBJECT
public:
    explicit TLUTChooserDialog(QWidget* parent = nullptr);

    // Lists the tables and selects the current choice: the item of that
    // name (else the first); a file's bytes are read when only its path is
    // given; with no bytes at all the selected built-in table is taken.
    void Initialize(const QString& ACurrentLUTName, const QByteArray& ACurrentLUTData, const QString& ACurrentFilePath);

    // "Load from disk...": .cube files become items of their own, the
    // .cube members of zip archives join the run's imported list. The last
    // item added is chosen.
    void BtnLoadDiskClick();
    // Chooses an item as the user does.
    void ChooseItem(QListWidgetItem* item);
    // "Select": reports the choice through OnLUTApplied and closes.
    void BtnApplyClick();

    // The open dialog for "Load from disk..." (several files); tests
    // replace it. Empty when cancelled.
    std::function<QStringList(const QString& title, const QString& filter)> FGetOpenFileNames;
    // Receives the choice: name, bytes (empty for a file) and file path.
    std::function<void(const QString& ALUTName, const QByteArray& ALUTData, const QString& AFilePath)> OnLUTApplied;

    QString FSelectedLUTName;
    QByteArray FSelectedLUTData;
    QString FSelectedFilePath;

    QLabel* LblTitle = nullptr;
    QLabel* LblLUTs = nullptr;
    QListWidget* LstLUTs = nullptr;
    QPushButton* BtnLoadDisk = nullptr;
    QLabel* LblCurrentLUT = nullptr;
    QPushButton* BtnCancel = nullptr;
    QPushButton* BtnApply = nullptr;

private:
    QListWidgetItem* addItem(const QString& text);
    void showCurrent();

    QListWidgetItem* FLastAppliedItem = nullptr;
    bool FInitializing = false;
};

// Tables imported from zip archives during this program run, in import
// order, names unique without regard to case (UI thread).
QStringList ImportedLUTNames();

} // namespace pq
