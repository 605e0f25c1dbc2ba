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

QStringList droppedFiles(const QMimeData* data)
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

void TForm1::LoadImageFile()
{
    // The chosen file could not be opened while an effect runs.
    if (IsEffectRunning())
        return;
    const bool editorVisible = FormScriptEditor && FormScriptEditor->isVisible();
    if (FormScriptEditor)
        FormScriptEditor->close();
    const QString fileName = FGetOpenFileName(Translate(QStringLiteral("Select image file")), OpenDialogFilter());
    if (fileName.isEmpty())
        return;
    try {
        LoadLargeImage(fileName);
        if (editorVisible)
            ShowScriptEditor();
    } catch (const std::exception& e) {
        ShowMessage(Translate(QStringLiteral("Error loading image: ")) + QString::fromLocal8Bit(e.what()));
    }
}

bool TForm1::LoadLargeImage(const QString& fileName)
{
    if (!FDocument.CanReplaceDocument())
        return false;
    gfx::Image image;
    try {
        const WaitCursor wait;
        image = gfx::decodeFile(fileName);
    } catch (const std::bad_alloc&) {
        ShowMessage(Translate(QStringLiteral("Image too large for available memory: ")) + fileName);
        return false;
    }
    if (image.isNull()) {
        ShowMessage(Translate(QStringLiteral("Failed to load image: ")) + fileName);
        return false;
    }
    // The pane's window starts 100 pixels up and left of the centre.
    if (!ShowAsNewDocument(image, 100))
        return false;
    FDocument.FSourceFileName = fileName;
    return true;
}

void TForm1::DefaultImageButtonClick()
{
    if (IsEffectRunning())
        return;
    if (!LoadLargeImageFromTImage())
        return;
    FDocument.FSourceFileName.clear();
    CalculateBestFitAndCenter();
    FDividerX() = FDocument.FPanOffset.x() + FDocument.ZIdImage.width() * double(FDocument.FZoomFactor) / 2.0;
}

bool TForm1::LoadLargeImageFromTImage()
{
    const gfx::Image image = Form3().DefaultImage;
    if (image.isNull()) {
        ShowMessage(QStringLiteral("Failed to create Skia image from DefaultImage.Bitmap"));
        return false;
    }
    // The default photo's window starts 110 pixels up and left of its centre.
    return ShowAsNewDocument(image, 110);
}

bool TForm1::ShowAsNewDocument(const gfx::Image& image, int previewInset)
{
    CheckBox1->setChecked(false);
    if (!FDocument.ReplaceDocument(image, image))
        return false;
    DropZoneRect->hide();
    FDocument.FZoomFactor = 1.0f;
    FDocument.FPanOffset = QPointF(0, 0);
    FullSizeAndCenter();
    Splitter->hide();
    SkPaintBox1->update();

    EngineFields& shared = *FDocument.Shared;
    shared.PreviewStartX = std::max(0, image.width() / 2 - previewInset);
    shared.PreviewStartY = std::max(0, image.height() / 2 - previewInset);
    FDocument.FPreviewZoomFactor = 1.0f;
    Image1->Label22->setText(QStringLiteral("100%"));
    SupersedePreview();
    DrawZoomedPreview();

    FDocument.FHistory->Save(FDocument.ZIdImage, FDocument.ZIdSourceImage);
    FDocument.FImageDirty = false;
    if (!UpdatePreviewTimer.isActive())
        UpdatePreviewTimer.start();
    return true;
}

bool TForm1::DropZoneRectDragOver(const QMimeData* data) const
{
    if (FDraggedThumbnailIndex >= 0)
        return true;
    for (const QString& file : droppedFiles(data))
        if (IsDroppableImageName(file))
            return true;
    return false;
}

void TForm1::DropZoneRectDragDrop(const QMimeData* data)
{
    const int tile = FDraggedThumbnailIndex;
    FDraggedThumbnailIndex = -1;
    if (tile >= 0) {
        // A gallery tile on the empty workspace becomes the document.
        if (tile < int(FDocument.FGalleryItems.size()) && FDocument.ZIdImage.isNull()) {
            const gfx::Image image = FDocument.FGalleryItems[size_t(tile)];
            if (FDocument.ReplaceDocument(image, image)) {
                CalculateBestFitAndCenter();
                SkPaintBox1->update();
                FDocument.FHistory->Save(FDocument.ZIdImage, FDocument.ZIdSourceImage);
                DropZoneRect->hide();
            }
        }
        return;
    }
    const QString file =
        FirstDroppableFile(droppedFiles(data), [](const QString& name) { return QFileInfo(name).isFile(); });
    if (file.isEmpty())
        return;
    // Opened once the drop has finished: a message box must not run inside
    // the drag-and-drop exchange.
    QTimer::singleShot(0, this, [this, file] { GuardedCall("LoadLargeImage", [&] { LoadLargeImage(file); }); });
}

void TForm1::SaveImageFile()
{
    const gfx::Image image = FDocument.ZIdImage;
    if (image.isNull())
        return;
    const TSaveProposal proposal = ProposeSaveName(FDocument.FSourceFileName);
    const QString fileName =
        FGetSaveFileName(Translate(QStringLiteral("Save image file")), proposal.fileName, proposal.filterIndex);
    if (fileName.isEmpty() || !ConfirmOverwrite(fileName))
        return;
    QString error;
    bool saved = false;
    {
        const WaitCursor wait;
        saved = SaveImageTo(image, fileName, &error);
    }
    if (!saved) {
        ShowMessage(Translate(QStringLiteral("Error saving image: ")) + error);
        return;
    }
    FDocument.FImageDirty = false;
}

} // namespace pq
