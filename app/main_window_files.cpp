// Opening images (dialog, command line, default photo, drag and drop) and
// saving the result.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/translate.h"
#include "engine/repository/image_repository.h"
#include "gfx/codec.h"
#include "workspace/canvas_view.h"
#include "workspace/drop_zone.h"
#include "workspace/image_files.h"
#include "workspace/preview_pane.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <exception>
#include <new>

namespace pq {

namespace {

// The wait cursor for the lifetime of the guard.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QStringList DroppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

} // namespace

void MainWindow::openImage()
{
    // The chosen file could not be opened while an effect runs.
    if (isEffectRunning())
        return;
    const bool editorVisible = gScriptEditor && gScriptEditor->isVisible();
    if (gScriptEditor)
        gScriptEditor->close();
    const QString fileName = getOpenFileName(Translate(QStringLiteral("Select image file")), OpenDialogFilter());
    if (fileName.isEmpty())
        return;
    try {
        openImageFile(fileName);
        if (editorVisible)
            showScriptEditor();
    } catch (const std::exception& e) {
        showMessage(Translate(QStringLiteral("Error loading image: ")) + QString::fromLocal8Bit(e.what()));
    }
}

bool MainWindow::openImageFile(const QString& fileName)
{
    if (!document_.canReplaceDocument())
        return false;
    gfx::Image image;
    try {
        const WaitCursor wait;
        image = gfx::DecodeFile(fileName);
    } catch (const std::bad_alloc&) {
        showMessage(Translate(QStringLiteral("Image too large for available memory: ")) + fileName);
        return false;
    }
    if (image.isNull()) {
        showMessage(Translate(QStringLiteral("Failed to load image: ")) + fileName);
        return false;
    }
    // The pane's window starts 100 pixels up and left of the centre.
    if (!showAsNewDocument(image, 100))
        return false;
    document_.sourceFileName = fileName;
    return true;
}

void MainWindow::openDefaultImage()
{
    if (isEffectRunning())
        return;
    if (!showDefaultImage())
        return;
    document_.sourceFileName.clear();
    fitToView();
    dividerX() = document_.pan.x() + document_.resultImage.width() * double(document_.zoom) / 2.0;
}

bool MainWindow::showDefaultImage()
{
    const gfx::Image image = Repository().defaultImage;
    if (image.isNull()) {
        showMessage(QStringLiteral("Failed to create Skia image from DefaultImage.Bitmap"));
        return false;
    }
    // The default photo's window starts 110 pixels up and left of its centre.
    return showAsNewDocument(image, 110);
}

bool MainWindow::showAsNewDocument(const gfx::Image& image, int previewInset)
{
    splitViewState->setChecked(false);
    if (!document_.replaceDocument(image, image))
        return false;
    dropZone->hide();
    document_.zoom = 1.0f;
    document_.pan = QPointF(0, 0);
    actualSizeAndCentre();
    divider->hide();
    canvasView->update();

    EngineFields& shared = *document_.shared;
    shared.previewX = std::max(0, image.width() / 2 - previewInset);
    shared.previewY = std::max(0, image.height() / 2 - previewInset);
    document_.previewZoom = 1.0f;
    previewPane->zoomPercentLabel->setText(QStringLiteral("100%"));
    supersedePreview();
    showPreviewSource();

    document_.history->save(document_.resultImage, document_.sourceImage);
    document_.unsavedChanges = false;
    if (!previewTimer.isActive())
        previewTimer.start();
    return true;
}

bool MainWindow::acceptsDrop(const QMimeData* data) const
{
    if (draggedTile >= 0)
        return true;
    for (const QString& file : DroppedFiles(data))
        if (IsDroppableImageName(file))
            return true;
    return false;
}

void MainWindow::drop(const QMimeData* data)
{
    const int tile = draggedTile;
    draggedTile = -1;
    if (tile >= 0) {
        // A gallery tile on the empty workspace becomes the document.
        if (tile < int(document_.galleryItems.size()) && document_.resultImage.isNull()) {
            const gfx::Image image = document_.galleryItems[size_t(tile)];
            if (document_.replaceDocument(image, image)) {
                fitToView();
                canvasView->update();
                document_.history->save(document_.resultImage, document_.sourceImage);
                dropZone->hide();
            }
        }
        return;
    }
    const QString file =
        FirstDroppableFile(DroppedFiles(data), [](const QString& name) { return QFileInfo(name).isFile(); });
    if (file.isEmpty())
        return;
    // Opened once the drop has finished: a message box must not run inside
    // the drag-and-drop exchange.
    QTimer::singleShot(0, this, [this, file] { GuardedCall("openImageFile", [&] { openImageFile(file); }); });
}

void MainWindow::saveImage()
{
    const gfx::Image image = document_.resultImage;
    if (image.isNull())
        return;
    const SaveProposal proposal = ProposeSaveName(document_.sourceFileName);
    const QString fileName =
        getSaveFileName(Translate(QStringLiteral("Save image file")), proposal.fileName, proposal.filterIndex);
    if (fileName.isEmpty() || !confirmOverwrite(fileName))
        return;
    QString error;
    bool saved = false;
    {
        const WaitCursor wait;
        saved = SaveImageTo(image, fileName, &error);
    }
    if (!saved) {
        showMessage(Translate(QStringLiteral("Error saving image: ")) + error);
        return;
    }
    document_.unsavedChanges = false;
}

} // namespace pq
