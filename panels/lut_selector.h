#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>

#include "engine/lut/lut_choice.h"
#include "gfx/image.h"
#include "panels/lut_preview.h"

#include <QTimer>

#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pq {

// The chooser of the table effect 404 applies: the built-in looks, the
// tables imported from zip archives during this run and .cube files picked
// from disk, with a live preview of the chosen table on a thumbnail of the
// source photo, "Select" and "Cancel".
class LUTChooserDialog : public QDialog {
    Q_OBJECT
public:
    explicit LUTChooserDialog(QWidget* parent = nullptr);

    // Lists the tables and selects the current choice: the item of that
    // name (else the first); a file's bytes are read when only its path is
    // given; with no bytes at all the selected built-in table is taken.
    // The photo the preview grades (call before initialize).
    void setSourcePhoto(const gfx::Image& photo);
    void initialize(const QString& currentLUTName, const QByteArray& currentLUTData, const QString& currentFilePath);

    // "Load from disk...": .cube files become items of their own, the
    // .cube members of zip archives join the run's imported list. The last
    // item added is chosen. Archives are read on a worker thread, the
    // button disabled meanwhile, and the items come when diskFilesLoaded
    // is emitted; without an archive everything happens at once.
    void loadFromDisk();
    // Chooses an item as the user does.
    void chooseItem(QListWidgetItem* item);
    // "Select": reports the choice through OnLUTApplied and closes.
    void select();

    // The open dialog for "Load from disk..." (several files); tests
    // replace it. Empty when cancelled.
    std::function<QStringList(const QString& title, const QString& filter)> getOpenFileNames;
    // Receives the choice: name, bytes (empty for a file) and file path.
    std::function<void(const QString& lutName, const QByteArray& lutData, const QString& filePath)> onLUTApplied;

    // The preview is made this long after the last choice.
    static constexpr int kPreviewDelayMs = 300;
    // Starts the preview of the current choice at once.
    void updatePreview();
    // Previews started so far; a published one that is not the latest is
    // dropped.
    int previewGeneration() const { return previewGeneration_; }
    const LUTParseCache& parseCache() const { return parseCache_; }

    // True while archives are being read.
    bool isLoading() const { return loading_; }

    QString selectedLUTName;
    QByteArray selectedLUTData;
    QString selectedFilePath;

    QLabel* titleLabel = nullptr;
    QLabel* listCaption = nullptr;
    QListWidget* lutList = nullptr;
    QPushButton* loadFromDiskButton = nullptr;
    QLabel* currentLUTLabel = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* selectButton = nullptr;
    LUTPreview* preview = nullptr;

signals:
    void diskFilesLoaded();
    // A preview was shown (or the placeholder, for no usable table).
    void previewShown();

private:
    QListWidgetItem* addItem(const QString& text);
    void addPicked(const std::vector<PickedLUT>& picked);
    void showCurrent();

    QListWidgetItem* lastAppliedItem_ = nullptr;
    bool initializing_ = false;
    bool loading_ = false;
    QTimer previewTimer_;
    int previewGeneration_ = 0;
    LUTParseCache parseCache_;
};

// Tables imported from zip archives during this program run, in import
// order, names unique without regard to case (UI thread).
QStringList ImportedLUTNames();

} // namespace pq
