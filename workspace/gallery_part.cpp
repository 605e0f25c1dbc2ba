#include "workspace/gallery_part.h"

#include "gfx/codec.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/document_actions.h"
#include "workspace/gallery_images.h"
#include "workspace/gallery_strip.h"
#include "workspace/gallery_tiles.h"
#include "workspace/user_dialogs.h"

#include <QBoxLayout>
#include <QDrag>
#include <QMimeData>
#include <QScrollArea>

#include <cmath>

namespace pq {

GalleryPart::GalleryPart(Document& document, CanvasArea& canvas, DocumentActions& actions, const UserDialogs& dialogs,
                         QWidget* window, QObject* parent)
    : QObject(parent), document_(document), canvas_(canvas), actions_(actions), dialogs_(dialogs), window_(window),
      magnifier_(new GalleryMagnifier(window)), menu_(new GalleryContextMenu(window))
{
    magnifier_->setObjectName(QStringLiteral("galleryMagnifier"));
    menu_->setObjectName(QStringLiteral("galleryContextMenu"));
    document_.gallery.setThumbnailSide(int(std::ceil(GalleryTile::kSide * window->devicePixelRatioF())));
    document_.gallery.setOnTileReady([this] {
        QMetaObject::invokeMethod(this, [this] { syncWithStore(); }, Qt::QueuedConnection);
    });
    document_.onImageSaved = [this](const gfx::Image& display, const gfx::Image& source, bool sourceChange) {
        imageSaved(display, source, sourceChange);
    };
    runDrag = [this](GalleryTile* tile) { dragTile(tile); };

    connect(menu_, &GalleryContextMenu::setAsResult, this, [this] { setAsResult(contextIndex_); });
    connect(menu_, &GalleryContextMenu::setAsSource, this, [this] { setAsSource(contextIndex_); });
    connect(canvas_.galleryStrip()->addToGalleryButton, &IconButton::clicked, this,
            [this] { addImageFile(); });
}

void GalleryPart::imageSaved(const gfx::Image& displayImg, const gfx::Image& sourceImg, bool isSourceChange)
{
    if (isSourceChange) {
        if (!sourceImg.isNull())
            addTile(sourceImg, true, document_.sourceFileName);
        if (!displayImg.isNull() && ImagesDiffer(sourceImg, displayImg, 1000))
            addTile(displayImg, false, QString());
        return;
    }
    if (!displayImg.isNull())
        addTile(displayImg, false, QString());
}

void GalleryPart::addTile(const gfx::Image& image, bool isSource, const QString& fileName)
{
    if (image.isNull())
        return;
    pruneDeletedTiles();
    document_.gallery.add(image, isSource, fileName);
    GalleryStrip* strip = canvas_.galleryStrip();
    auto* tile = new GalleryTile(isSource, strip->tileRow);
    tile->setObjectName(QStringLiteral("galleryTile"));
    const GalleryStore::Tile info = document_.gallery.tile(0);
    tile->setToolTip(GalleryHint(info.shortName, info.width, info.height));
    connect(tile, &GalleryTile::entered, this, &GalleryPart::tileEntered);
    connect(tile, &GalleryTile::moved, this, &GalleryPart::tileMoved);
    connect(tile, &GalleryTile::left, this, &GalleryPart::tileLeft);
    connect(tile, &GalleryTile::rightPressed, this, &GalleryPart::tileRightPressed);
    connect(tile, &GalleryTile::leftPressed, this, &GalleryPart::tileLeftPressed);
    if (auto* row = qobject_cast<QBoxLayout*>(strip->tileRow->layout()))
        row->insertWidget(0, tile);
    tile->show();
    tiles_.insert(tiles_.begin(), tile);
    // Indexes shifted: an open menu or magnifier now points one further.
    if (contextIndex_ >= 0)
        ++contextIndex_;
    if (magnifiedIndex_ >= 0)
        ++magnifiedIndex_;
    syncWithStore();
}

void GalleryPart::syncWithStore()
{
    pruneDeletedTiles();
    GalleryStore& store = document_.gallery;
    store.trim();
    // Tiles the store dropped are the oldest, at the end.
    while (int(tiles_.size()) > store.count()) {
        const int index = int(tiles_.size()) - 1;
        if (index == magnifiedIndex_) {
            magnifier_->hide();
            magnifiedIndex_ = -1;
        }
        if (index == contextIndex_) {
            menu_->dismiss();
            contextIndex_ = -1;
        }
        // Deleted later: a drag may still run from this tile.
        GalleryTile* gone = tiles_.back().data();
        gone->hide();
        if (QLayout* row = canvas_.galleryStrip()->tileRow->layout())
            row->removeWidget(gone);
        gone->deleteLater();
        tiles_.pop_back();
    }
    for (int i = 0; i < int(tiles_.size()); ++i)
        if (!tiles_[size_t(i)]->hasThumbnail())
            tiles_[size_t(i)]->setThumbnail(store.thumbnail(i));
    QWidget* row = canvas_.galleryStrip()->tileRow;
    row->resize(int(tiles_.size()) * GalleryTile::kRowWidth, row->height());
}

void GalleryPart::pruneDeletedTiles()
{
    const auto gone = std::erase_if(tiles_, [](const QPointer<GalleryTile>& tile) { return tile.isNull(); });
    if (gone > 0) {
        magnifier_->hide();
        menu_->dismiss();
        magnifiedIndex_ = -1;
        contextIndex_ = -1;
    }
}

int GalleryPart::tileCount() const
{
    return int(tiles_.size());
}

GalleryTile* GalleryPart::tile(int index) const
{
    return index >= 0 && index < int(tiles_.size()) ? tiles_[size_t(index)].data() : nullptr;
}

int GalleryPart::indexOf(const GalleryTile* tile) const
{
    for (size_t i = 0; i < tiles_.size(); ++i)
        if (tiles_[i] == tile)
            return int(i);
    return -1;
}

void GalleryPart::refreshHints()
{
    pruneDeletedTiles();
    for (int i = 0; i < int(tiles_.size()); ++i) {
        const GalleryStore::Tile info = document_.gallery.tile(i);
        if (!info.shortName.isEmpty())
            tiles_[size_t(i)]->setToolTip(GalleryHint(info.shortName, info.width, info.height));
    }
    menu_->retranslate();
}

void GalleryPart::clear()
{
    magnifier_->hide();
    menu_->dismiss();
    magnifiedIndex_ = -1;
    contextIndex_ = -1;
    canvas_.clearGallery();
    tiles_.clear();
    document_.gallery.clear();
}

void GalleryPart::addImageFile()
{
    if (!dialogs_.openFile)
        return;
    const QString fileName = dialogs_.openFile(
        Translate(QStringLiteral("Add image to gallery")),
        QStringLiteral("Image Files (*.jpg *.jpeg *.png *.bmp *.gif *.tiff *.webp);;All Files (*.*)"));
    if (!fileName.isEmpty())
        addImageFile(fileName);
}

void GalleryPart::addImageFile(const QString& fileName)
{
    QString error;
    gfx::Image image;
    try {
        image = gfx::DecodeFile(fileName, &error);
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("out of memory");
    }
    if (image.isNull()) {
        dialogs_.tell(Translate(QStringLiteral("Error loading image: ")) + error);
        return;
    }
    addTile(image, false, fileName);
}

void GalleryPart::redrawCanvas()
{
    canvas_.canvasView()->update();
}

void GalleryPart::setAsSource(int index)
{
    // Refused while an effect runs: the run reads the source.
    if (!document_.gallery.isValidIndex(index) || document_.resultImage.isNull() || !document_.canReplaceDocument())
        return;
    gfx::Image image = document_.gallery.image(index);
    if (image.isNull())
        return;
    const gfx::Image result = document_.resultImage;
    if (image.size() != result.size())
        image = FitImageToSize(image, result.width(), result.height());
    if (image.isNull() || !document_.replaceDocument(image, result))
        return;
    document_.history->save(document_.resultImage, document_.sourceImage);
    if (document_.selectedEffect >= 0 && previewWanted)
        previewWanted();
    if (canvas_.splitView())
        redrawCanvas();
}

void GalleryPart::setAsResult(int index)
{
    if (!document_.gallery.isValidIndex(index) || !document_.canReplaceDocument())
        return;
    gfx::Image image = document_.gallery.image(index);
    if (image.isNull())
        return;
    const gfx::Image source = document_.sourceImage;
    if (!source.isNull() && image.size() != source.size())
        image = FitImageToSize(image, source.width(), source.height());
    if (image.isNull() || !document_.replaceDocument(source, image))
        return;
    canvas_.fitToView();
    if (canvas_.splitView()) {
        canvas_.dividerX() = document_.pan.x() + document_.resultImage.width() * double(document_.zoom) / 2.0;
        canvas_.updateDivider();
    }
    canvas_.updateDropZone();
    redrawCanvas();
    document_.history->save(document_.resultImage, document_.sourceImage);
}

// ---- Tile events ----

void GalleryPart::tileEntered(GalleryTile* tile)
{
    if (menu_->isVisible())
        return;
    const int index = indexOf(tile);
    magnifiedIndex_ = index;
    magnifier_->setImage(document_.gallery.image(index));
    const QRect box(tile->mapTo(window_, tile->tileRect().topLeft()), tile->tileRect().size());
    magnifier_->move(PlaceMagnifier(box, magnifier_->size(), window_->width()));
    magnifier_->setSpot(QPointF(0.5, 0.5));
    magnifier_->show();
    magnifier_->raise();
}

void GalleryPart::tileMoved(GalleryTile* tile, QPointF fraction)
{
    if (!magnifier_->isVisible()) {
        tileEntered(tile);
        if (!magnifier_->isVisible())
            return;
    }
    magnifier_->setSpot(fraction);
}

void GalleryPart::tileLeft(GalleryTile*)
{
    magnifier_->hide();
    magnifiedIndex_ = -1;
}

void GalleryPart::tileRightPressed(GalleryTile* tile, QPoint globalPos)
{
    magnifier_->hide();
    magnifiedIndex_ = -1;
    contextIndex_ = indexOf(tile);
    menu_->popUp(window_->mapFromGlobal(globalPos));
}

void GalleryPart::tileLeftPressed(GalleryTile* tile)
{
    const int index = indexOf(tile);
    if (index < 0)
        return;
    actions_.draggedTile = index;
    if (runDrag)
        runDrag(tile);
    // A press that ends without a drop on the canvas leaves no dragged
    // tile behind for a later drag of files.
    if (actions_.draggedTile == index)
        actions_.draggedTile = -1;
}

void GalleryPart::dragTile(GalleryTile* tile)
{
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kGalleryTileMime), QByteArray::number(indexOf(tile)));
    auto* drag = new QDrag(tile);
    drag->setMimeData(mime);
    drag->setPixmap(tile->grab(tile->tileRect()));
    drag->exec(Qt::CopyAction);
}

} // namespace pq
