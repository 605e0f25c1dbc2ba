// The history gallery in the window: tiles from history saves, names and
// badges, the strip's flow, set as source or result, drags, adding files
// and the magnifier.
#include "app/main_window.h"
#include "engine/runtime/effect_runtime.h"
#include "gfx/codec.h"
#include "image_compare.h"
#include "platform/ui_bridge.h"
#include "workspace/auto_enhance_command.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"
#include "workspace/effect_panel.h"
#include "workspace/gallery_part.h"
#include "workspace/gallery_strip.h"
#include "workspace/gallery_tiles.h"
#include "ui/widgets/toggle_switch.h"

#include <QApplication>
#include <QFile>
#include <QScrollArea>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "event_loop.h"
#include "main_window_fixture.h"

namespace {

using testimg::MakeSolid;
using testimg::Premul;
using testloop::ProcessUntil;

gfx::Image Photo(int w, int h, int alpha = 255)
{
    return testimg::MakeImage(w, h, [&](int x, int y) {
        return Premul(x * 255 / w, y * 255 / h, (x + y) * 255 / (w + h), alpha);
    });
}

class Gallery : public testwindow::MainWindowTest {
protected:
    void prepare() override
    {
        window->dialogs().openFile = [this](const QString&, const QString&) { return openName; };
    }
    void started() override
    {
        window->effectPanel().addTextureSwitch()->setChecked(false);
        ASSERT_TRUE(dir.isValid());
        gallery().clear();
    }

    bool workersDone() override
    {
        return pq::EffectWorkerCount() == 0 && pq::AutoEnhanceCommand::workerCount() == 0;
    }

    QString writeImage(const QString& name, const gfx::Image& image)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(gfx::EncodeToFile(image, path, gfx::FormatFromExtension(name), 95));
        return path;
    }

    bool idle() { return doc().runningEffect.load() == -1 && pq::EffectWorkerCount() == 0; }
    pq::GalleryPart& gallery() { return window->gallery(); }
    pq::GalleryStrip& strip() { return *window->canvasArea().galleryStrip(); }
    QString tileName(int i) { return doc().gallery.tile(i).shortName; }

    QTemporaryDir dir;
    QString openName;
};

TEST_F(Gallery, OpeningAPhotoAddsOneBadgeTileNamedAfterTheFile)
{
    ASSERT_TRUE(window->documentActions().openImageFile(writeImage(QStringLiteral("cat.png"), Photo(120, 80))));
    ASSERT_EQ(gallery().tileCount(), 1);
    EXPECT_EQ(doc().gallery.count(), 1);
    EXPECT_TRUE(gallery().tile(0)->isSource());
    EXPECT_EQ(tileName(0), QStringLiteral("cat.png"));
    EXPECT_TRUE(gallery().tile(0)->toolTip().startsWith(QStringLiteral("cat.png\r\n120 \u00D7 80 px")));
    EXPECT_TRUE(gallery().tile(0)->toolTip().endsWith(QStringLiteral("Drag & drop: blend with current")));
}

TEST_F(Gallery, AnApplyAddsAResultTileInFront)
{
    ASSERT_TRUE(window->documentActions().openImageFile(writeImage(QStringLiteral("p.png"), Photo(96, 64))));
    const gfx::Image original = doc().resultImage;
    window->selectListedEffect(2, 0); // Black & white
    window->effectPanel().applyEffect();
    ASSERT_TRUE(ProcessUntil([&] { return idle() && !doc().resultImage.sameAs(original); }));
    ASSERT_EQ(gallery().tileCount(), 2);
    EXPECT_EQ(tileName(0), QStringLiteral("Pastelloquin image"));
    EXPECT_FALSE(gallery().tile(0)->isSource());
    EXPECT_EQ(tileName(1), QStringLiteral("p.png")) << "the older tile moved right";
    EXPECT_TRUE(gallery().tile(1)->isSource());
    doc().gallery.waitForWork();
    // The JPEG rings a little at black and white edges.
    EXPECT_TRUE(testimg::ImagesNear(doc().resultImage, doc().gallery.image(0), 40));
    EXPECT_TRUE(testimg::ImagesNear(original, doc().gallery.image(1), 8));
}

TEST_F(Gallery, ASourceChangeWithADifferingResultAddsResultLeftOfSource)
{
    const gfx::Image first = Photo(50, 40);
    doc().history->save(first, first);
    ASSERT_EQ(gallery().tileCount(), 1) << "equal result: only the source";
    const gfx::Image source = MakeSolid(50, 40, Premul(0, 90, 0));
    const gfx::Image result = MakeSolid(50, 40, Premul(90, 0, 0));
    doc().history->save(result, source);
    ASSERT_EQ(gallery().tileCount(), 3);
    EXPECT_FALSE(gallery().tile(0)->isSource());
    EXPECT_TRUE(gallery().tile(1)->isSource());
    EXPECT_EQ(doc().gallery.image(0).pixel(3, 3), result.pixel(3, 3));
    EXPECT_EQ(doc().gallery.image(1).pixel(3, 3), source.pixel(3, 3));
    doc().history->save(result, source);
    EXPECT_EQ(gallery().tileCount(), 4) << "the same result saved again adds again";
}

TEST_F(Gallery, FlowWidthAndTilesAddedWhileCollapsed)
{
    ASSERT_FALSE(strip().isExpanded());
    for (int i = 0; i < 5; ++i)
        doc().history->save(MakeSolid(20, 20, Premul(i * 40, 0, 0)), {});
    ASSERT_EQ(gallery().tileCount(), 5);
    EXPECT_EQ(strip().tileRow->width(), 5 * 106);
    EXPECT_FALSE(gallery().tile(0)->isVisible());
    window->canvasArea().toggleGallery();
    EXPECT_TRUE(gallery().tile(0)->isVisible());
    EXPECT_TRUE(gallery().tile(4)->isVisible());
    doc().gallery.waitForWork();
    ASSERT_TRUE(ProcessUntil([&] { return gallery().tile(4)->hasThumbnail(); }));
}

TEST_F(Gallery, SetAsResultBringsBackAnImageOlderThanTheHistory)
{
    const gfx::Image opaque = Photo(64, 48);
    const gfx::Image clear = Photo(64, 48, 90);
    ASSERT_TRUE(window->documentActions().showAsNewDocument(opaque, 100));
    doc().history->save(clear, opaque);
    for (int i = 0; i < 105; ++i)
        doc().history->save(MakeSolid(64, 48, Premul(i, i, i)), opaque);
    const int n = gallery().tileCount();
    ASSERT_EQ(n, 107);
    doc().gallery.waitForWork();

    gallery().setAsResult(n - 2); // the transparent one: PNG, exact
    EXPECT_TRUE(testimg::ImagesNear(clear, doc().resultImage, 0));
    gallery().setAsResult(gallery().tileCount() - 1); // the photo: JPEG
    EXPECT_TRUE(testimg::ImagesNear(opaque, doc().resultImage, 6));
    EXPECT_EQ(tileName(0), QStringLiteral("Pastelloquin image")) << "the history saved it";
}

TEST_F(Gallery, SetAsResultAndSourceFitToTheOtherImage)
{
    const gfx::Image big = Photo(800, 600);
    ASSERT_TRUE(window->documentActions().showAsNewDocument(big, 100));
    // Tiles are taken as the store gives them back once encoded (JPEG for
    // opaque pictures), whenever its thread gets to them.
    gallery().addTile(MakeSolid(400, 300, Premul(0, 0, 255)), false, QString());
    doc().gallery.waitForWork();
    const gfx::Image blue = doc().gallery.image(0);
    gallery().setAsResult(0);
    ASSERT_EQ(doc().resultImage.size(), QSize(800, 600));
    EXPECT_EQ(doc().resultImage.pixel(10, 10), Premul(255, 255, 255));
    EXPECT_EQ(doc().resultImage.pixel(400, 300), blue.pixel(200, 150));

    ASSERT_TRUE(window->documentActions().showAsNewDocument(MakeSolid(200, 200, Premul(9, 9, 9)), 100));
    gallery().addTile(Photo(400, 300), false, QString());
    doc().gallery.waitForWork();
    const gfx::Image photo = doc().gallery.image(0);
    gallery().setAsSource(0);
    ASSERT_EQ(doc().sourceImage.size(), QSize(200, 200));
    EXPECT_EQ(doc().sourceImage.pixel(0, 0), photo.pixel(100, 50));
    EXPECT_EQ(doc().sourceImage.pixel(199, 199), photo.pixel(299, 249));
    EXPECT_EQ(doc().resultImage.pixel(0, 0), Premul(9, 9, 9)) << "the result stays";
}

TEST_F(Gallery, RefusedWhileAnEffectRuns)
{
    const gfx::Image photo = Photo(40, 30);
    ASSERT_TRUE(window->documentActions().showAsNewDocument(photo, 100));
    gallery().addTile(MakeSolid(40, 30, Premul(0, 0, 255)), false, QString());
    const int tiles = gallery().tileCount();
    doc().runningEffect = 300;
    gallery().setAsResult(0);
    gallery().setAsSource(0);
    window->documentActions().draggedTile = 0;
    QMimeData data;
    window->documentActions().drop(&data);
    doc().runningEffect = -1;
    EXPECT_TRUE(doc().resultImage.sameAs(photo));
    EXPECT_TRUE(doc().sourceImage.sameAs(photo));
    EXPECT_EQ(gallery().tileCount(), tiles) << "nothing was saved";
    EXPECT_EQ(window->documentActions().draggedTile, -1);
    gallery().setAsResult(99);
    EXPECT_TRUE(doc().resultImage.sameAs(photo)) << "an invalid index does nothing";
}

TEST_F(Gallery, APressWithoutADropClearsTheDraggedTile)
{
    gallery().addTile(MakeSolid(20, 20, Premul(1, 2, 3)), false, QString());
    gallery().addTile(MakeSolid(20, 20, Premul(4, 5, 6)), false, QString());
    int during = -1;
    gallery().runDrag = [&](pq::GalleryTile*) { during = window->documentActions().draggedTile; };
    gallery().tileLeftPressed(gallery().tile(1));
    EXPECT_EQ(during, 1);
    EXPECT_EQ(window->documentActions().draggedTile, -1);
}

TEST_F(Gallery, AddingFiles)
{
    openName = writeImage(QStringLiteral("extra.png"), Photo(30, 20));
    gallery().addImageFile();
    ASSERT_EQ(gallery().tileCount(), 1);
    EXPECT_EQ(tileName(0), QStringLiteral("extra.png"));
    EXPECT_FALSE(gallery().tile(0)->isSource());
    EXPECT_TRUE(doc().resultImage.isNull()) << "the document is not changed";

    QFile broken(dir.filePath(QStringLiteral("broken.png")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    gallery().addImageFile(broken.fileName());
    EXPECT_EQ(gallery().tileCount(), 1);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Error loading image: ")));
}

TEST_F(Gallery, MagnifierFollowsTheMouseAndStepsAsideForTheMenu)
{
    window->canvasArea().toggleGallery();
    gallery().addTile(Photo(900, 700), false, QString());
    pq::GalleryTile* tile = gallery().tile(0);
    gallery().tileEntered(tile);
    EXPECT_TRUE(gallery().magnifier()->isVisible());
    EXPECT_EQ(gallery().magnifiedIndex(), 0);
    gallery().tileMoved(tile, QPointF(0.0, 0.0));
    EXPECT_EQ(gallery().magnifier()->spot(), QPointF(0, 0));
    gallery().tileLeft(tile);
    EXPECT_FALSE(gallery().magnifier()->isVisible());

    gallery().tileRightPressed(tile, tile->mapToGlobal(QPoint(20, 20)));
    EXPECT_TRUE(gallery().contextMenu()->isVisible());
    EXPECT_EQ(gallery().contextMenuIndex(), 0);
    gallery().tileEntered(tile);
    EXPECT_FALSE(gallery().magnifier()->isVisible()) << "not while the menu is open";
    gallery().contextMenu()->cursorPos = [] { return QPoint(-500, -500); };
    gallery().contextMenu()->checkMouse();
    EXPECT_FALSE(gallery().contextMenu()->isVisible());
}

TEST_F(Gallery, TheStripShowsThroughTheRoundCornersAndAfterTheLastTile)
{
    window->resize(1400, 900);
    gallery().addTile(MakeSolid(300, 300, Premul(250, 250, 250)), false, QString());
    strip().setExpanded(true);
    QApplication::processEvents();
    pq::GalleryTile* tile = gallery().tile(0);
    ASSERT_NE(tile, nullptr);
    // The window lays the strip out once its resize is served.
    ASSERT_TRUE(ProcessUntil([&] { return strip().tileScroll->viewport()->width() > pq::GalleryTile::kRowWidth + 20; }));
    const QImage shot = window->grab().toImage();
    const auto at = [&](QWidget* w, QPoint p) { return shot.pixel(w->mapTo(window.get(), p)); };
    // The strip's own colour, beside the add button.
    const QRgb ground = at(strip().addButtonArea, QPoint(3, 3));
    const QRect box = tile->tileRect();
    const auto near = [&](QRgb c, int tolerance) { return testimg::MaxChannelDifference(c, ground) <= tolerance; };
    // The top corners lie outside the 15-pixel rounding; the shadow falls
    // to the bottom right.
    EXPECT_TRUE(near(at(tile, box.topLeft() + QPoint(1, 1)), 24)) << std::hex << at(tile, box.topLeft());
    EXPECT_TRUE(near(at(tile, box.topRight() + QPoint(-1, 1)), 24)) << std::hex << at(tile, box.topRight());
    // Inside the picture it is the picture.
    EXPECT_FALSE(near(at(tile, box.center()), 24));
    // Past the last tile the strip goes on.
    QWidget* viewport = strip().tileScroll->viewport();
    const QPoint after = tile->mapTo(viewport, QPoint(tile->width() + 12, tile->height() / 2));
    EXPECT_TRUE(near(at(viewport, after), 8)) << std::hex << at(viewport, after);
}

} // namespace
