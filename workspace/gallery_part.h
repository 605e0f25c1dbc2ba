#pragma once

#include "gfx/image.h"

#include <QObject>
#include <QPointer>
#include <QPointF>

#include <functional>
#include <vector>

class QWidget;

namespace pq {

class CanvasArea;
class Document;
class DocumentActions;
class GalleryContextMenu;
class GalleryMagnifier;
class GalleryTile;
struct UserDialogs;

// The history gallery: one tile per image the history saves (a change of
// source adds the source, and the result when it differs), plus images the
// user adds from files. Tiles sit in the canvas area's strip, newest on the
// left; the images live in the document's GalleryStore. A tile's context
// menu makes its image the source or the result, a drag blends it over the
// result, and hovering shows the magnifier.
class GalleryPart : public QObject {
    Q_OBJECT
public:
    // `window`: the widget the magnifier and the context menu float over.
    GalleryPart(Document& document, CanvasArea& canvas, DocumentActions& actions, const UserDialogs& dialogs,
                QWidget* window, QObject* parent = nullptr);

    // The history's saved event.
    void imageSaved(const gfx::Image& displayImg, const gfx::Image& sourceImg, bool isSourceChange);
    void addTile(const gfx::Image& image, bool isSource, const QString& fileName);
    // The add button: an image file as a result-style tile.
    void addImageFile();
    void addImageFile(const QString& fileName);

    void setAsSource(int index);
    void setAsResult(int index);

    // Hints in the current language.
    void refreshHints();
    // A full reset: no tiles, no magnifier or menu, strip collapsed.
    void clear();
    // Takes the thumbnails and evictions the store has finished.
    void syncWithStore();

    int tileCount() const;
    GalleryTile* tile(int index) const;
    int indexOf(const GalleryTile* tile) const;
    GalleryMagnifier* magnifier() const { return magnifier_; }
    GalleryContextMenu* contextMenu() const { return menu_; }
    int contextMenuIndex() const { return contextIndex_; }
    int magnifiedIndex() const { return magnifiedIndex_; }

    // Starts a tile's drag; returns when it ends (dropped or not). The
    // default runs a platform drag; tests replace it.
    std::function<void(GalleryTile*)> runDrag;
    // A preview with the selected effect, after a change of source.
    std::function<void()> previewWanted;

    // Tile events, public for tests.
    void tileEntered(GalleryTile* tile);
    void tileMoved(GalleryTile* tile, QPointF fraction);
    void tileLeft(GalleryTile* tile);
    void tileRightPressed(GalleryTile* tile, QPoint globalPos);
    void tileLeftPressed(GalleryTile* tile);

private:
    void pruneDeletedTiles();
    void dragTile(GalleryTile* tile);
    void redrawCanvas();

    Document& document_;
    CanvasArea& canvas_;
    DocumentActions& actions_;
    const UserDialogs& dialogs_;
    QWidget* window_;
    std::vector<QPointer<GalleryTile>> tiles_;
    GalleryMagnifier* magnifier_;
    GalleryContextMenu* menu_;
    int contextIndex_ = -1;
    int magnifiedIndex_ = -1;
};

// The private MIME type of a dragged tile.
inline constexpr const char* kGalleryTileMime = "application/x-pastelloquin-gallery-tile";

} // namespace pq
