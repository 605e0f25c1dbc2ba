#pragma once

#include "engine/lut/lut_choice.h"
#include "gfx/image.h"
#include "panels/lut_preview.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace pq {

class PanelCloseButton;

// The overlay panel in which the table effect 404 applies is chosen: the
// built-in looks, the tables imported from zip archives during this run
// and .cube files picked from disk, with a live preview of the chosen
// table on a thumbnail of the source photo. "Select" (and Enter) reports
// the choice, then asks to close; Cancel, the close button and Esc only
// ask to close. Either happens once; the host frees the panel.
class LUTSelector : public QWidget {
    Q_OBJECT
public:
    explicit LUTSelector(QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(990, 690); }

    // The photo the preview grades (call before initialize).
    void setSourcePhoto(const gfx::Image& photo);
    // Lists the tables and selects the current choice: the item of that
    // name (else the first); a file's bytes are read when only its path is
    // given; with no bytes at all the selected built-in table is taken.
    // The preview of the choice follows after the usual delay.
    void initialize(const QString& currentLUTName, const QByteArray& currentLUTData, const QString& currentFilePath);

    // "Load from disk...": .cube files become items of their own, the
    // .cube members of zip archives join the run's imported list. The last
    // item added is chosen. Archives are read on a worker thread, the
    // button disabled meanwhile, and the items come when diskFilesLoaded
    // is emitted; without an archive everything happens at once.
    void loadFromDisk();
    // Chooses an item as the user does.
    void chooseItem(QListWidgetItem* item);
    // "Select": reports the choice through lutApplied, then closeRequested.
    void select();
    // Cancel, the close button and Esc: closeRequested alone.
    void cancel();

    // The open dialog for "Load from disk..." (several files); tests
    // replace it. Empty when cancelled.
    std::function<QStringList(const QString& title, const QString& filter)> getOpenFileNames;

    // The preview is made this long after the last choice.
    static constexpr int kPreviewDelayMs = 300;
    // Starts the preview of the current choice at once.
    void updatePreview();
    // Previews started so far; a published one that is not the latest is
    // dropped.
    int previewGeneration() const { return previewGeneration_; }
    // A preview is due or being mapped.
    bool previewPending() const { return previewTimer_.isActive() || previewsInFlight_ > 0; }
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
    QLabel* previewCaption = nullptr;
    LUTPreview* preview = nullptr;
    QLabel* currentLUTLabel = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* selectButton = nullptr;
    PanelCloseButton* closeButton = nullptr;

signals:
    // The choice: name, bytes (empty for a file) and file path.
    void lutApplied(const QString& lutName, const QByteArray& lutData, const QString& filePath);
    // The overlay is to close.
    void closeRequested();
    void diskFilesLoaded();
    // A preview was shown (or the placeholder, for no usable table).
    void previewShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidgetItem* addItem(const QString& text);
    void addPicked(const std::vector<PickedLUT>& picked);
    void showCurrent();
    // False when the panel has ended already; else ends it.
    bool finish();

    QListWidgetItem* lastAppliedItem_ = nullptr;
    bool initializing_ = false;
    bool loading_ = false;
    bool finished_ = false;
    QTimer previewTimer_;
    int previewGeneration_ = 0;
    int previewsInFlight_ = 0;
    LUTParseCache parseCache_;
};

// Tables imported from zip archives during this program run, in import
// order, names unique without regard to case (UI thread).
QStringList ImportedLUTNames();

} // namespace pq
