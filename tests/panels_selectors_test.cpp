// The frame and texture selectors: thumbnails, the frame preview, restoring
// the stored choice, typed values, and the texture preview's overlay.
#include "engine/services/texture_overlay.h"
#include "gfx/codec.h"
#include "gfx/frame_image.h"
#include "image_compare.h"
#include "panels/color_button.h"
#include "panels/frame_preview.h"
#include "panels/frame_selector.h"
#include "panels/number_box.h"
#include "panels/selector_style.h"
#include "panels/texture_preview.h"
#include "panels/texture_selector.h"
#include "panels/tile_grid.h"
#include "ui/interface_scale.h"
#include "ui/theme.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

using gfx::Image;
using gfx::Pixel;
using testimg::MakeImage;
using testimg::MakeNoise;
using testimg::MakeSolid;
using testimg::Premul;

namespace {

const Pixel kWood = Premul(90, 60, 30);

Image MakeFrame(int w, int h, QRect opening)
{
    return MakeImage(w, h, [&](int x, int y) { return opening.contains(x, y) ? Pixel(0) : kWood; });
}

std::vector<pq::NamedImage> SomeFrames()
{
    return {{QStringLiteral("Oak"), MakeFrame(60, 60, QRect(10, 10, 40, 40))},
            {QStringLiteral("Mat"), MakeImage(60, 60, [](int x, int y) { return x < 3 && y < 3 ? kWood : Pixel(0); })},
            {QStringLiteral("Gold"), MakeFrame(80, 60, QRect(15, 12, 50, 36))}};
}

void TypeInto(QAbstractSpinBox* box, const QString& text)
{
    auto* edit = box->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
}

TEST(FrameThumbs, ScaledToTwoHundredFortyOnTheLongerSide)
{
    EXPECT_EQ(pq::MakeScaledThumb(MakeSolid(2244, 2424, kWood)).size(), QSize(222, 240));
    const Image small = MakeSolid(100, 50, kWood);
    EXPECT_TRUE(pq::MakeScaledThumb(small).sameAs(small));
    EXPECT_TRUE(pq::MakeScaledThumb(Image()).isNull());
}

TEST(FrameThumbs, AMatAtMarginZeroIsClearInsideItsOutline)
{
    const Image mat = pq::MakeMatThumbnail(0xFFFF0000, 0, QSize(300, 200));
    ASSERT_EQ(mat.size(), QSize(240, 240));
    EXPECT_EQ(mat.pixel(120, 120) >> 24, 0u);
    EXPECT_EQ(mat.pixel(20, 120) >> 24, 0u);
    EXPECT_NE(mat.pixel(0, 120) >> 24, 0u) << "the outline";
    // With a margin the colour fills the band.
    const Image banded = pq::MakeMatThumbnail(0xFFFF0000, 100, QSize(300, 300));
    EXPECT_EQ(banded.pixel(30, 120), 0xFFFF0000u);
    EXPECT_EQ(banded.pixel(120, 120) >> 24, 0u);
}

TEST(FramePreview, WithoutAPictureAThousandPixelGreySquareIsFramed)
{
    const pq::PreviewFrame frame = pq::MakePreviewFrame(MakeFrame(100, 100, QRect(20, 20, 60, 60)));
    const Image shown = pq::RenderFramePreview(QSize(200, 200), Image(), QSize(), &frame, 0, 0xFFFFFFFF);
    ASSERT_EQ(shown.size(), QSize(200, 200));
    // 1000 + 40 borders: square, so the whole box is used; grey inside.
    EXPECT_EQ(shown.pixel(100, 100), 0xFF808080u);
    EXPECT_EQ(shown.pixel(1, 1), kWood);
}

TEST(FramePreview, MatchesTheCompositionScaledDown)
{
    const Image frame = MakeFrame(120, 100, QRect(20, 15, 80, 70));
    const Image picture = MakeSolid(400, 200, Premul(0, 0, 255));
    const pq::PreviewFrame preview = pq::MakePreviewFrame(frame);
    const Image shown = pq::RenderFramePreview(QSize(200, 200), picture, picture.size(), &preview, 30, 0xFFFFFFFF);
    // Layout 400 + 60 + 40 = 500 wide: scale 0.4; the picture spans
    // x 20 + 30 .. 450 in layout pixels.
    const double top = (200 - (200 + 60 + 30) * 0.4) / 2;
    EXPECT_EQ(shown.pixel(100, int(top + (15 + 30 + 100) * 0.4)), Premul(0, 0, 255));
    EXPECT_EQ(shown.pixel(int((20 + 15) * 0.4), 100), 0xFFFFFFFFu) << "the margin";
    EXPECT_EQ(shown.pixel(2, 100), kWood);
}

TEST(FramePreview, AFrameWithASolidCentreShowsThePictureUnframed)
{
    const pq::PreviewFrame solid = pq::MakePreviewFrame(MakeSolid(50, 50, kWood));
    EXPECT_FALSE(solid.hasOpening);
    const Image picture = MakeSolid(100, 100, Premul(0, 255, 0));
    const Image shown = pq::RenderFramePreview(QSize(200, 200), picture, picture.size(), &solid, 20, 0xFFFFFFFF);
    EXPECT_EQ(shown.pixel(1, 1), Premul(0, 255, 0));
    EXPECT_EQ(shown.pixel(198, 198), Premul(0, 255, 0));
}

TEST(FrameSelector, RestoresAStoredNameWithoutRegardToCase)
{
    std::vector<pq::NamedImage> frames = SomeFrames();
    pq::Document::FrameChoice stored;
    stored.settingsValid = true;
    stored.name = QStringLiteral("gOLD");
    stored.size = 35;
    stored.color = 0xFF112233;
    pq::FrameSelector panel(frames, stored, MakeNoise(50, 40, 1));
    EXPECT_EQ(panel.tiles->selected(), 2);
    EXPECT_EQ(panel.marginSizeBox->value(), 35);
    EXPECT_EQ(panel.marginColor(), 0xFF112233u);

    stored.name = QStringLiteral("Gone");
    pq::FrameSelector fallback(frames, stored, MakeNoise(50, 40, 1));
    EXPECT_EQ(fallback.tiles->selected(), 0);
}

TEST(FrameSelector, TheFirstOpeningShowsOneHundredFiftyInWhite)
{
    std::vector<pq::NamedImage> frames = SomeFrames();
    pq::Document::FrameChoice stored;
    pq::FrameSelector panel(frames, stored, Image());
    EXPECT_EQ(panel.marginSizeBox->value(), 150);
    EXPECT_EQ(panel.marginColor(), 0xFFFFFFFFu);
    EXPECT_EQ(panel.tiles->selected(), 0);
    EXPECT_EQ(panel.tiles->count(), 3);
}

TEST(FrameSelector, TypedMarginsAreKeptWithinTheBox)
{
    std::vector<pq::NamedImage> frames = SomeFrames();
    pq::Document::FrameChoice stored;
    pq::FrameSelector panel(frames, stored, MakeNoise(50, 40, 1));
    panel.marginSizeBox->setValue(40);
    TypeInto(panel.marginSizeBox, QStringLiteral("-500"));
    EXPECT_EQ(panel.currentMargin(), 0);
    TypeInto(panel.marginSizeBox, QStringLiteral("abc"));
    EXPECT_EQ(panel.currentMargin(), 40);
    TypeInto(panel.marginSizeBox, QStringLiteral("99999"));
    EXPECT_EQ(panel.currentMargin(), pq::FrameSelector::kMaxMargin);
    // The preview draws at every one of them.
    panel.preview->setMargin(panel.currentMargin(), panel.marginColor());
    EXPECT_FALSE(panel.preview->render().isNull());
}

TEST(FrameSelector, ApplyHidesThePanelAndReportsTheTypedMargin)
{
    std::vector<pq::NamedImage> frames = SomeFrames();
    pq::Document::FrameChoice stored;
    pq::FrameSelector panel(frames, stored, MakeNoise(50, 40, 1));
    panel.show();
    QSignalSpy chosen(&panel, &pq::FrameSelector::frameChosen);
    QSignalSpy closing(&panel, &pq::FrameSelector::closeRequested);
    emit panel.tiles->tileClicked(2);
    TypeInto(panel.marginSizeBox, QStringLiteral("35"));
    panel.applyButton->click();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][1].toInt(), 35);
    EXPECT_EQ(closing.count(), 0) << "the backdrop stays for the composition";
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(stored.name, QStringLiteral("Gold"));
    EXPECT_EQ(stored.number, 3);
    EXPECT_TRUE(stored.settingsValid);
    panel.applyButton->click();
    EXPECT_EQ(chosen.count(), 1) << "once";
}

TEST(FrameSelector, TheBrushstrokeFrameReportsColourWidthAndBrushSize)
{
    std::vector<pq::NamedImage> frames = SomeFrames();
    pq::Document::FrameChoice stored;
    pq::FrameSelector panel(frames, stored, MakeNoise(50, 40, 1));
    QSignalSpy brushstrokes(&panel, &pq::FrameSelector::brushstrokeFrameChosen);
    QSignalSpy closing(&panel, &pq::FrameSelector::closeRequested);
    panel.marginSizeBox->setValue(60);
    panel.marginColorButton->setColor(0xFF804020);
    panel.brushstrokeButton->click();
    ASSERT_EQ(brushstrokes.count(), 1);
    EXPECT_EQ(brushstrokes[0][0].value<QRgb>(), 0xFF804020u);
    EXPECT_EQ(brushstrokes[0][1].toInt(), 60);
    EXPECT_EQ(brushstrokes[0][2].toInt(), 40);
    EXPECT_EQ(closing.count(), 1);
}

TEST(FrameSelector, AMatOnlyFrameGetsTheMatThumbnail)
{
    std::vector<pq::NamedImage> frames = SomeFrames();
    EXPECT_TRUE(gfx::IsMatOnlyFrame(frames[1].image));
    EXPECT_FALSE(gfx::IsMatOnlyFrame(frames[0].image));
    pq::Document::FrameChoice stored;
    pq::FrameSelector panel(frames, stored, MakeNoise(50, 40, 1));
    EXPECT_EQ(panel.tiles->picture(1).size(), QSize(240, 240));
}

std::vector<pq::NamedImage> SomeTextures()
{
    return {{QStringLiteral("Canvas"), MakeNoise(32, 32, 3)},
            {QStringLiteral("Paper"), MakeNoise(40, 30, 4)},
            {QStringLiteral("Flat"), MakeSolid(16, 16, Premul(128, 128, 128))}};
}

TEST(TextureSelector, TheFirstOpeningSelectsTheSecondTextureAndCancelStoresIt)
{
    std::vector<pq::NamedImage> textures = SomeTextures();
    pq::Document::TextureChoice stored;
    pq::TextureSelector panel(textures, stored, MakeNoise(60, 40, 5));
    EXPECT_EQ(panel.tiles->name(panel.tiles->selected()), QStringLiteral("Paper"));
    panel.strengthBox->setValue(70);
    QSignalSpy chosen(&panel, &pq::TextureSelector::textureChosen);
    panel.cancelButton->click();
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_TRUE(stored.settingsValid);
    EXPECT_EQ(stored.name, QStringLiteral("Paper"));
    EXPECT_EQ(stored.number, 2);
    EXPECT_FLOAT_EQ(stored.strength, 70.0f);
    EXPECT_TRUE(stored.image.sameAs(textures[1].image));

    // The next opening restores it.
    pq::TextureSelector again(textures, stored, MakeNoise(60, 40, 5));
    EXPECT_EQ(again.strengthBox->value(), 70);
    EXPECT_EQ(again.tiles->selected(), 1);
}

TEST(TextureSelector, TypedValuesAreKeptWithinTheBoxes)
{
    std::vector<pq::NamedImage> textures = SomeTextures();
    pq::Document::TextureChoice stored;
    pq::TextureSelector panel(textures, stored, MakeNoise(60, 40, 5));
    TypeInto(panel.scaleBox, QStringLiteral("0"));
    EXPECT_FLOAT_EQ(panel.currentScale(), 0.1f);
    TypeInto(panel.scaleBox, QStringLiteral("50"));
    EXPECT_FLOAT_EQ(panel.currentScale(), 10.0f);
    TypeInto(panel.strengthBox, QStringLiteral("-20"));
    EXPECT_DOUBLE_EQ(panel.currentStrength(), 0.0);
}

TEST(Selectors, TypedValuesJustInsideAndJustOutsideEachBound)
{
    struct Typed {
        const char* text;
        double kept;
    };
    const auto expectKept = [](QAbstractSpinBox* box, std::initializer_list<Typed> rows,
                               const std::function<double()>& read) {
        for (const Typed& row : rows) {
            TypeInto(box, QString::fromLatin1(row.text));
            EXPECT_FLOAT_EQ(float(read()), float(row.kept)) << row.text;
        }
    };
    std::vector<pq::NamedImage> frames = SomeFrames();
    pq::Document::FrameChoice storedFrame;
    pq::FrameSelector frame(frames, storedFrame, MakeNoise(50, 40, 1));
    // Margins round halves to even within 0..2500.
    expectKept(frame.marginSizeBox,
               {{"2500", 2500}, {"2501", 2500}, {"2499", 2499}, {"0", 0}, {"-1", 0}, {"0.5", 0}, {"1.5", 2}, {"2.5", 2}},
               [&] { return frame.currentMargin(); });
    std::vector<pq::NamedImage> textures = SomeTextures();
    pq::Document::TextureChoice storedTexture;
    pq::TextureSelector texture(textures, storedTexture, MakeNoise(60, 40, 5));
    expectKept(texture.scaleBox, {{"0.1", 0.1}, {"0.09", 0.1}, {"0.11", 0.11}, {"10", 10}, {"10.01", 10}, {"9.99", 9.99}},
               [&] { return texture.currentScale(); });
    expectKept(texture.strengthBox, {{"100", 100}, {"101", 100}, {"99", 99}, {"0", 0}, {"-1", 0}, {"1", 1}},
               [&] { return texture.currentStrength(); });
}

TEST(TexturePreview, NoStrengthOrAUniformTextureChangesNothing)
{
    // Half the picture transparent.
    const Image picture = MakeImage(50, 40, [](int x, int y) { return x < 25 ? Pixel(0) : Premul(x * 5, y * 6, 90); });
    const std::optional<pq::VisiblePart> part = pq::FindVisiblePart(QRectF(0, 0, 200, 200), picture.size(), {75, 80}, 1.0);
    ASSERT_TRUE(part.has_value());
    EXPECT_EQ(part->size, QSize(50, 40));
    const Image none = pq::TexturePreviewPart(picture, *part, MakeNoise(16, 16, 9), 0.0, 1.0f);
    EXPECT_TRUE(testimg::ImagesNear(picture, none));
    const Image flat = pq::TexturePreviewPart(picture, *part, MakeSolid(16, 16, Premul(30, 30, 30)), 100.0, 1.0f);
    EXPECT_TRUE(testimg::ImagesNear(picture, flat));
    const Image strong = pq::TexturePreviewPart(picture, *part, MakeNoise(16, 16, 9), 100.0, 1.5f);
    EXPECT_TRUE(testimg::IsValidPremultiplied(strong));
    EXPECT_EQ(strong.pixel(3, 3), 0u) << "transparent pixels are left alone";
}

TEST(TexturePreview, MatchesTheOverlayWithItsPhase)
{
    // The preview's tiles start at the part's corner: the overlay with an
    // offset of 0 gives the same pixels.
    const Image picture = MakeNoise(48, 36, 11);
    const Image texture = MakeNoise(10, 12, 12);
    const std::optional<pq::VisiblePart> part = pq::FindVisiblePart(QRectF(0, 0, 48, 36), picture.size(), {0, 0}, 1.0);
    ASSERT_TRUE(part.has_value());
    const Image shown = pq::TexturePreviewPart(picture, *part, texture, 60.0, 2.0f);
    gfx::Surface surface = gfx::Surface::fromImage(picture);
    pq::PressTexture(surface, *pq::TextureLuminanceGrid(texture), 60.0, 2.0f, 0);
    EXPECT_TRUE(testimg::ImagesNear(surface.snapshot(), shown));
}

void Wheel(QWidget* widget, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF at(10, 10);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

void Mouse(QWidget* widget, QEvent::Type type, QPointF at, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST(TexturePreview, WheelZoomsAboutTheCentreWithinItsRangeAndTheLeftButtonPans)
{
    pq::TexturePreview preview;
    preview.resize(200, 100);
    preview.setPicture(MakeNoise(60, 40, 5));
    // Zoom by 1.1 keeps the box's centre where it was.
    const double cx = preview.width() / 2.0;
    const double cy = preview.height() / 2.0;
    Wheel(&preview, 120);
    EXPECT_DOUBLE_EQ(preview.zoom(), 1.1);
    EXPECT_NEAR(preview.pan().x(), cx - cx * 1.1, 1e-9);
    EXPECT_NEAR(preview.pan().y(), cy - cy * 1.1, 1e-9);
    Wheel(&preview, -120);
    EXPECT_NEAR(preview.zoom(), 1.0, 1e-12);
    for (int i = 0; i < 60; ++i)
        Wheel(&preview, 120);
    EXPECT_DOUBLE_EQ(preview.zoom(), 5.0);
    for (int i = 0; i < 120; ++i)
        Wheel(&preview, -120);
    EXPECT_DOUBLE_EQ(preview.zoom(), 0.1);

    // The left button drags the picture by the mouse's moves; others don't.
    const QPointF start = preview.pan();
    Mouse(&preview, QEvent::MouseButtonPress, {20, 20}, Qt::LeftButton);
    Mouse(&preview, QEvent::MouseMove, {27, 15}, Qt::LeftButton);
    Mouse(&preview, QEvent::MouseMove, {30, 40}, Qt::LeftButton);
    Mouse(&preview, QEvent::MouseButtonRelease, {30, 40}, Qt::LeftButton);
    EXPECT_EQ(preview.pan(), start + QPointF(10, 20));
    Mouse(&preview, QEvent::MouseMove, {90, 90}, Qt::NoButton);
    Mouse(&preview, QEvent::MouseButtonPress, {20, 20}, Qt::RightButton);
    Mouse(&preview, QEvent::MouseMove, {50, 50}, Qt::RightButton);
    EXPECT_EQ(preview.pan(), start + QPointF(10, 20));
}

TEST(TextureSelector, CtrlWheelScalesTheTextureByATenthWithinItsBox)
{
    std::vector<pq::NamedImage> textures = SomeTextures();
    pq::Document::TextureChoice stored;
    pq::TextureSelector panel(textures, stored, MakeNoise(60, 40, 5));
    ASSERT_FLOAT_EQ(panel.currentScale(), 1.0f);
    Wheel(panel.preview, 120);
    EXPECT_FLOAT_EQ(panel.currentScale(), 1.0f) << "a plain wheel only zooms";
    Wheel(panel.preview, 120, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(panel.currentScale(), 1.1f);
    Wheel(panel.preview, -120, Qt::ControlModifier);
    Wheel(panel.preview, -120, Qt::ControlModifier);
    EXPECT_NEAR(panel.currentScale(), 1.0 / 1.1, 0.006); // two decimals
    for (int i = 0; i < 40; ++i)
        Wheel(panel.preview, 120, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(panel.currentScale(), 10.0f);
    for (int i = 0; i < 60; ++i)
        Wheel(panel.preview, -120, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(panel.currentScale(), 0.1f);
}

TEST(FrameSelector, ACustomFrameBecomesTheChosenTileAndABadFileIsTold)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("Walnut.png"));
    ASSERT_TRUE(gfx::EncodeToFile(MakeFrame(40, 40, QRect(8, 8, 24, 24)), good, gfx::ImageFormat::Png, 80));
    const QString bad = dir.filePath(QStringLiteral("broken.png"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG not really");
    file.close();

    std::vector<pq::NamedImage> frames = SomeFrames();
    pq::Document::FrameChoice stored;
    pq::FrameSelector panel(frames, stored, MakeNoise(50, 40, 1));
    QStringList told;
    panel.tell = [&](const QString& text) { told << text; };
    panel.loadCustom({bad});
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("Error: ")));
    EXPECT_EQ(panel.tiles->count(), 3);

    panel.loadCustom({good});
    ASSERT_EQ(panel.tiles->count(), 4);
    EXPECT_EQ(panel.tiles->selected(), 3);
    EXPECT_EQ(panel.tiles->name(3), QStringLiteral("Walnut"));
}

TEST(SelectorKeys, EscCancelsEnterAppliesOtherKeysPass)
{
    int cancels = 0, applies = 0;
    const auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        return pq::HandleSelectorKeys(&event, [&] { ++cancels; }, [&] { ++applies; });
    };
    EXPECT_TRUE(press(Qt::Key_Escape));
    EXPECT_TRUE(press(Qt::Key_Return));
    EXPECT_TRUE(press(Qt::Key_Enter));
    EXPECT_FALSE(press(Qt::Key_A));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    EXPECT_FALSE(pq::HandleSelectorKeys(&release, [&] { ++cancels; }, [&] { ++applies; }));
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(applies, 2);
}

TEST(TileGrid, TheNameIsReadableOnTheLightThemesWhiteGrid)
{
    const pq::ThemeMode saved = pq::gThemeMode;
    pq::gThemeMode = pq::ThemeMode::Light;
    pq::TileGrid grid;
    grid.setStyleSheet(QStringLiteral("background: white;"));
    grid.resize(300, 200);
    grid.setTiles({{QStringLiteral("Paper"), QImage()}}, pq::TileGrid::Fill::Fit);
    grid.show();
    const QImage shot = grid.grab().toImage();
    pq::gThemeMode = saved;
    const QRect tile = grid.tileRect(0);
    int dark = 0;
    for (int y = tile.bottom() - 18; y < tile.bottom(); ++y)
        for (int x = tile.left(); x < tile.right(); ++x)
            dark += qGray(shot.pixel(x, y)) < 128;
    EXPECT_GT(dark, 10);
}

TEST(TileGrid, ThreeColumnsAndTwoWholeRowsAtEveryInterfaceSize)
{
    std::vector<pq::NamedImage> frames;
    for (int i = 0; i < 9; ++i)
        frames.push_back({QStringLiteral("Frame %1").arg(i), MakeFrame(60, 60, QRect(10, 10, 40, 40))});
    pq::Document::FrameChoice stored;
    for (const double scale : {0.5, 0.93, 1.0, 1.5, 2.0}) {
        pq::FrameSelector panel(frames, stored, MakeNoise(50, 40, 1));
        pq::ScaleWidgetTree(&panel, scale);
        panel.show();
        QApplication::processEvents();
        pq::TileGrid& grid = *panel.tiles;
        EXPECT_EQ(grid.perRow(), 3) << scale;
        const QRect viewport = grid.viewport()->rect();
        // The third column's tile is whole, and so is the caption band at
        // the bottom of the second row.
        EXPECT_TRUE(viewport.contains(grid.tileRect(2))) << scale;
        EXPECT_TRUE(viewport.contains(grid.tileRect(5))) << scale;
        EXPECT_FALSE(viewport.contains(grid.tileRect(6))) << "the third row scrolls in, " << scale;
        // Tiles sit where the grid puts them, at the panel's size.
        QWidget* tile = grid.findChild<QWidget*>(QStringLiteral("tile4"));
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->geometry(), grid.tileRect(4)) << scale;
    }
}

TEST(TileGrid, TheGridsOwnFillStaysOff)
{
    pq::TileGrid grid;
    grid.resize(300, 200);
    grid.setTiles({{QStringLiteral("Paper"), QImage()}}, pq::TileGrid::Fill::Fit);
    ASSERT_NE(grid.widget(), nullptr);
    EXPECT_FALSE(grid.widget()->autoFillBackground());
}

} // namespace
