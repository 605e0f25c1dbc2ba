// The LUT selector as an overlay panel: how it ends, its preview drawn
// with the cubic, and archives read off the UI thread.
#include "cube_test_tables.h"
#include "event_loop.h"
#include "image_compare.h"
#include "stored_zip.h"

#include "engine/lut/lut_choice.h"
#include "gfx/resample.h"
#include "panels/lut_preview.h"
#include "panels/lut_selector.h"
#include "panels/overlay_host.h"
#include "ui/widgets/panel_close_button.h"
#include "ui/interface_scale.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using testimg::Premul;

namespace {

QByteArray ConstantCube(double r, double g, double b)
{
    return cubetest::CubeText(2, [=](int, int, int) { return cubetest::Entry{r, g, b}; });
}

void Press(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

TEST(LUTSelector, EveryWayOutEndsThePanelOnce)
{
    struct Case {
        const char* what;
        std::function<void(pq::LUTSelector&)> act;
        bool applies;
    };
    const Case cases[] = {
        {"Select", [](pq::LUTSelector& s) { s.selectButton->click(); }, true},
        {"Enter on the list", [](pq::LUTSelector& s) { Press(s.lutList, Qt::Key_Return); }, true},
        {"Enter on the panel", [](pq::LUTSelector& s) { Press(&s, Qt::Key_Enter); }, true},
        {"Cancel", [](pq::LUTSelector& s) { s.cancelButton->click(); }, false},
        {"the close button", [](pq::LUTSelector& s) { s.closeButton->click(); }, false},
        {"Esc on the list", [](pq::LUTSelector& s) { Press(s.lutList, Qt::Key_Escape); }, false},
        {"Esc on Select", [](pq::LUTSelector& s) { Press(s.selectButton, Qt::Key_Escape); }, false},
    };
    for (const Case& c : cases) {
        pq::LUTSelector selector;
        selector.initialize(QStringLiteral("Golden hour"), QByteArray(), QString());
        QSignalSpy applied(&selector, &pq::LUTSelector::lutApplied);
        QSignalSpy closing(&selector, &pq::LUTSelector::closeRequested);
        c.act(selector);
        ASSERT_EQ(closing.count(), 1) << c.what;
        ASSERT_EQ(applied.count(), c.applies ? 1 : 0) << c.what;
        if (c.applies) {
            EXPECT_EQ(applied[0][0].toString(), QStringLiteral("Golden hour")) << c.what;
            EXPECT_EQ(applied[0][1].toByteArray(), pq::ReadEmbeddedLUT(QStringLiteral("Golden hour"))) << c.what;
        }
        // The host frees the panel later: whatever comes meanwhile is
        // not a second answer.
        selector.selectButton->click();
        selector.cancel();
        Press(selector.lutList, Qt::Key_Return);
        EXPECT_EQ(closing.count(), 1) << c.what;
        EXPECT_EQ(applied.count(), c.applies ? 1 : 0) << c.what;
    }
}

TEST(LUTSelector, TheCurrentTablesPreviewComesWithoutAChoice)
{
    pq::LUTSelector selector;
    selector.setSourcePhoto(testimg::MakeNoise(64, 48, 3));
    selector.initialize(QStringLiteral("Red"), ConstantCube(1, 0, 0), QString());
    EXPECT_TRUE(selector.previewPending());
    ASSERT_TRUE(testloop::ProcessUntil([&] { return !selector.previewPending(); }, 10000));
    ASSERT_FALSE(selector.preview->preview().isNull());
    EXPECT_EQ(selector.preview->preview().pixel(7, 9), Premul(255, 0, 0));
    EXPECT_EQ(selector.currentLUTLabel->text(), QStringLiteral("Red"));
}

TEST(LUTSelector, ARightPressShowsTheUntouchedThumbnail)
{
    pq::LUTPreview preview;
    preview.resize(100, 100);
    preview.setThumbnail(testimg::MakeSolid(10, 10, Premul(0, 0, 255)));
    preview.setPreview(testimg::MakeSolid(10, 10, Premul(255, 0, 0)));
    const auto centre = [&] { return preview.grab().toImage().pixel(50, 50) & 0xFFFFFFu; };
    EXPECT_EQ(centre(), 0xFF0000u);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 50), QPointF(50, 50), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&preview, &press);
    EXPECT_EQ(centre(), 0x0000FFu);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(50, 50), QPointF(50, 50), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&preview, &release);
    EXPECT_EQ(centre(), 0xFF0000u);
}

TEST(LUTPreviewBox, PicturesAreFittedRoundedAndCentred)
{
    struct Case {
        QSize image, box;
        QRect expected;
    };
    const Case cases[] = {
        {{200, 100}, {564, 510}, {0, 114, 564, 282}},  // wide: bars above and below
        {{100, 200}, {564, 510}, {154, 0, 255, 510}},  // tall: bars beside
        {{10, 10}, {100, 100}, {0, 0, 100, 100}},      // small ones are enlarged
        {{1000, 1}, {100, 100}, {0, 49, 100, 1}},      // never thinner than 1 pixel
        {{0, 10}, {100, 100}, {}},
        {{10, 10}, {0, 100}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pq::FitPreviewRect(c.image, c.box), c.expected) << c.image.width() << "x" << c.image.height();
}

TEST(LUTPreviewBox, ThePictureIsDrawnWithTheMitchellCubic)
{
    // Dark and light columns enlarged: a bilinear ramp and the cubic differ
    // by several levels between the centres.
    const gfx::Image picture = testimg::MakeImage(4, 2, [](int x, int) {
        return x % 2 ? Premul(250, 250, 250) : Premul(10, 10, 10);
    });
    pq::LUTPreview preview;
    preview.resize(240, 200);
    preview.setPreview(picture);
    const QImage drawn = preview.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(pq::FitPreviewRect(picture.size(), preview.size()), QRect(0, 40, 240, 120));
    const gfx::Image expected = gfx::Resize(picture, 240, 120, gfx::Sampling::Mitchell);
    for (int x = 0; x < 240; ++x)
        ASSERT_EQ(drawn.pixel(x, 100), expected.pixel(x, 60)) << x;
}

TEST(LUTPreviewBox, WithoutAPictureTheBoxIsSlate)
{
    pq::LUTPreview preview;
    preview.resize(120, 80);
    EXPECT_EQ(preview.grab().toImage().pixel(60, 40), 0xFF263045u);
}

TEST(LUTSelector, LaidOutAtTheInterfaceScaleItStaysCentred)
{
    for (const double scale : {0.5, 1.5}) {
        pq::OverlayHost host;
        host.resize(1600, 1100);
        // As the window's zoom does it: scaled once the host holds it.
        auto* selector = new pq::LUTSelector(&host);
        pq::ScaleWidgetTree(selector, scale);
        host.addCentred(selector);
        EXPECT_EQ(selector->size(), QSize(990, 690) * scale) << scale;
        EXPECT_EQ(selector->geometry().center(), host.rect().center()) << scale;
    }
}

TEST(LUTSelector, ArchivesAreReadOffTheUiThread)
{
    QTemporaryDir dir;
    const QString zipPath = dir.filePath(QStringLiteral("looks.zip"));
    QFile zip(zipPath);
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    zip.write(testzip::StoredZip({{QStringLiteral("Chooser Async Look.cube"), cubetest::IdentityCube(2)}}));
    zip.close();

    pq::LUTSelector chooser;
    chooser.initialize(QString(), QByteArray(), QString());
    chooser.getOpenFileNames = [&](const QString&, const QString&) { return QStringList{zipPath}; };
    chooser.loadFromDisk();
    // The archive is read on a worker: the button waits, the item comes later.
    EXPECT_TRUE(chooser.isLoading());
    EXPECT_FALSE(chooser.loadFromDiskButton->isEnabled());
    ASSERT_TRUE(testloop::ProcessUntil([&] { return !chooser.isLoading(); }, 10000));
    EXPECT_TRUE(chooser.loadFromDiskButton->isEnabled());
    ASSERT_NE(chooser.lutList->currentItem(), nullptr);
    EXPECT_EQ(chooser.lutList->currentItem()->text(), QStringLiteral("Chooser Async Look"));

    // It joins the run's imported tables.
    EXPECT_TRUE(pq::ImportedLUTNames().contains(QStringLiteral("Chooser Async Look")));
}

} // namespace
