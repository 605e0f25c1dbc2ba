#include "workspace/document_actions.h"

#include "engine/repository/image_repository.h"
#include "gfx/codec.h"
#include "ui/debug_log.h"
#include "ui/translate.h"
#include "workspace/brushstrokes_frame_command.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/drop_zone.h"
#include "workspace/image_files.h"
#include "workspace/preview_panel.h"
#include "workspace/user_dialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

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

DocumentActions::DocumentActions(Document& document, const UserDialogs& dialogs, CanvasArea& canvas,
                                 PreviewPanel& preview, QObject* parent)
    : QObject(parent), document_(document), dialogs_(dialogs), canvas_(canvas), preview_(preview),
      frameCommand_(std::make_unique<BrushstrokesFrameCommand>(BrushstrokesFrameCommand::Hooks{
          [this](const gfx::Image& image) { document_.sourceImage = image; }, [this] { canvas_.fitToView(); }}))
{
    canvas_.setDropHandlers([this](const QMimeData* data) { return acceptsDrop(data); },
                            [this](const QMimeData* data) {
                                GuardedCall("drop", [this, data] { drop(data); });
                            });
}

bool DocumentActions::openImage()
{
    // The chosen file could not be opened while an effect runs.
    if (document_.isEffectRunning() || !dialogs_.openFile)
        return false;
    const QString fileName = dialogs_.openFile(Translate(QStringLiteral("Select image file")), OpenDialogFilter());
    if (fileName.isEmpty())
        return false;
    try {
        openImageFile(fileName);
    } catch (const std::exception& e) {
        dialogs_.tell(Translate(QStringLiteral("Error loading image: ")) + QString::fromLocal8Bit(e.what()));
    }
    return true;
}

bool DocumentActions::openImageFile(const QString& fileName)
{
    if (!document_.canReplaceDocument())
        return false;
    gfx::Image image;
    try {
        const WaitCursor wait;
        image = gfx::DecodeFile(fileName);
    } catch (const std::bad_alloc&) {
        dialogs_.tell(Translate(QStringLiteral("Image too large for available memory: ")) + fileName);
        return false;
    }
    if (image.isNull()) {
        dialogs_.tell(Translate(QStringLiteral("Failed to load image: ")) + fileName);
        return false;
    }
    // The name is set first: the gallery names the source tile after it.
    const QString previousName = document_.sourceFileName;
    document_.sourceFileName = fileName;
    // The pane's window starts 100 pixels up and left of the centre.
    if (!showAsNewDocument(image, 100)) {
        document_.sourceFileName = previousName;
        return false;
    }
    return true;
}

void DocumentActions::openDefaultImage()
{
    if (document_.isEffectRunning())
        return;
    const gfx::Image image = Repository().defaultImage;
    if (image.isNull()) {
        dialogs_.tell(QStringLiteral("The built-in photo is not available."));
        return;
    }
    const QString previousName = document_.sourceFileName;
    document_.sourceFileName.clear();
    // The default photo's window starts 110 pixels up and left of its centre.
    if (!showAsNewDocument(image, 110)) {
        document_.sourceFileName = previousName;
        return;
    }
    canvas_.fitToView();
    canvas_.dividerX() = document_.pan.x() + document_.resultImage.width() * double(document_.zoom) / 2.0;
}

bool DocumentActions::showAsNewDocument(const gfx::Image& image, int previewInset)
{
    canvas_.setSplitView(false);
    if (!document_.replaceDocument(image, image))
        return false;
    canvas_.dropZone()->hide();
    document_.zoom = 1.0f;
    document_.pan = QPointF(0, 0);
    canvas_.actualSizeAndCentre();
    canvas_.divider()->hide();
    canvas_.canvasView()->update();

    preview_.showNewDocument(previewInset);

    document_.history->save(document_.resultImage, document_.sourceImage);
    document_.unsavedChanges = false;
    preview_.schedule();
    return true;
}

bool DocumentActions::acceptsDrop(const QMimeData* data) const
{
    if (draggedTile >= 0)
        return true;
    for (const QString& file : DroppedFiles(data))
        if (IsDroppableImageName(file))
            return true;
    return false;
}

void DocumentActions::drop(const QMimeData* data)
{
    const int tile = draggedTile;
    draggedTile = -1;
    if (tile >= 0) {
        if (!document_.gallery.isValidIndex(tile) || !document_.canReplaceDocument())
            return;
        if (!document_.resultImage.isNull()) {
            // Over a result the tile's image is blended onto it.
            const gfx::Image image = document_.gallery.image(tile);
            if (image.isNull())
                return;
            QTimer::singleShot(0, this, [this, image] {
                if (blendDroppedImage)
                    GuardedCall("ShowCombineImagesFrame", [&] { blendDroppedImage(image); });
            });
            return;
        }
        // A gallery tile on the empty workspace becomes the document.
        const gfx::Image image = document_.gallery.image(tile);
        if (!image.isNull() && document_.replaceDocument(image, image)) {
            canvas_.fitToView();
            canvas_.canvasView()->update();
            document_.history->save(document_.resultImage, document_.sourceImage);
            canvas_.dropZone()->hide();
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

void DocumentActions::saveImage()
{
    const gfx::Image image = document_.resultImage;
    if (image.isNull() || !dialogs_.saveImageFile)
        return;
    const SaveProposal proposal = ProposeSaveName(document_.sourceFileName);
    const QString fileName =
        dialogs_.saveImageFile(Translate(QStringLiteral("Save image file")), proposal.fileName, proposal.filterIndex);
    if (fileName.isEmpty() || !dialogs_.confirmOverwrite(fileName))
        return;
    QString error;
    bool saved = false;
    {
        const WaitCursor wait;
        saved = SaveImageTo(image, fileName, &error);
    }
    if (!saved) {
        dialogs_.tell(Translate(QStringLiteral("Error saving image: ")) + error);
        return;
    }
    document_.unsavedChanges = false;
}

DocumentActions::~DocumentActions() = default;

void DocumentActions::addBrushstrokesFrame(QRgb color, int width, int brushSize)
{
    frameCommand_->run(color, width, brushSize);
}

void DocumentActions::undo()
{
    restoreFromHistory(true);
}

void DocumentActions::redo()
{
    restoreFromHistory(false);
}

void DocumentActions::restoreFromHistory(bool back)
{
    if (document_.isEffectRunning())
        return;
    gfx::Image display;
    gfx::Image source;
    const bool found = back ? document_.history->undo(display, source) : document_.history->redo(display, source);
    if (!found || display.isNull())
        return;
    if (source.isNull())
        source = document_.sourceImage;
    const QSize shownSize = document_.resultImage.size();
    if (!document_.replaceDocument(source, display))
        return;
    if (!brushPanelTakesImage || !brushPanelTakesImage()) {
        // A frame undone or redone changes the size: the picture is fitted.
        canvas_.showReplacedImage(shownSize);
        canvas_.updateDivider();
    }
    canvas_.canvasView()->update();
}

void DocumentActions::swapSourceAndResult()
{
    if (document_.sourceImage.isNull() || document_.resultImage.isNull() || document_.isEffectRunning())
        return;
    std::swap(document_.sourceImage, document_.resultImage);
    if (document_.onImagesReplaced)
        document_.onImagesReplaced();
    canvas_.canvasView()->update();
}

} // namespace pq
