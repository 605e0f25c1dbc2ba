#pragma once

#include "gfx/image.h"

#include <QObject>
#include <QString>

#include <QRgb>

#include <functional>
#include <memory>

class QMimeData;

namespace pq {

class BrushstrokesFrameCommand;
class CanvasArea;
class Document;
class PreviewPanel;
struct UserDialogs;

// What replaces or stores the document: opening an image (dialog, command
// line, drag and drop, the default photo), saving the result, and stepping
// through the history.
class DocumentActions : public QObject {
    Q_OBJECT
public:
    DocumentActions(Document& document, const UserDialogs& dialogs, CanvasArea& canvas, PreviewPanel& preview,
                    QObject* parent = nullptr);
    ~DocumentActions() override;

    // The open dialog; not while an effect runs. True when a file was
    // chosen (opened or not).
    bool openImage();
    // Makes the image file the new document; false when it cannot (the
    // document then stays as it was).
    bool openImageFile(const QString& fileName);
    // The built-in photo as the new document, fitted to the view.
    void openDefaultImage();
    // Shows an opened image as the new document at 100 %, the preview
    // pane's window `previewInset` pixels up and left of its centre.
    bool showAsNewDocument(const gfx::Image& image, int previewInset);
    void saveImage();

    bool acceptsDrop(const QMimeData* data) const;
    void drop(const QMimeData* data);
    // The gallery tile being dragged, or -1.
    int draggedTile = -1;
    // A gallery tile dropped while a result is shown: its image is to be
    // blended over the result. Called after the drop has finished.
    std::function<void(const gfx::Image&)> blendDroppedImage;

    void undo();
    void redo();
    // Exchanges source and result when both exist: no history entry, and
    // the unsaved-changes mark stays as it is.
    void swapSourceAndResult();
    // The manual brush panel takes the image an undo or redo brings back
    // (true when open); the canvas is centred otherwise.
    std::function<bool()> brushPanelTakesImage;

    // Frames the result with painted brushstroke bands and the source photo
    // with the plain border, on a worker, as one history step (see
    // BrushstrokesFrameCommand). `color` is unpremultiplied ARGB.
    void addBrushstrokesFrame(QRgb color, int width, int brushSize);

private:
    void restoreFromHistory(bool back);

    Document& document_;
    const UserDialogs& dialogs_;
    CanvasArea& canvas_;
    PreviewPanel& preview_;
    std::unique_ptr<BrushstrokesFrameCommand> frameCommand_;
};

} // namespace pq
