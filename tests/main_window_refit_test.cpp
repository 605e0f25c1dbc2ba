// The picture follows the window: a window of another size, an image of
// another size after undo, redo or a resize fit it to the view again, and
// the zoom read-out tells the zoom shown, in every language.
#include "app/interface_languages.h"
#include "app/interface_zoom.h"
#include "app/main_window.h"
#include "app/document_panels.h"
#include "app/selector_panels.h"
#include "app/tool_bar.h"
#include "app/window_edges.h"
#include "app/window_geometry.h"
#include "gfx/codec.h"
#include "image_compare.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_zoom.h"
#include "workspace/document_actions.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "event_loop.h"
#include "main_window_fixture.h"

namespace {

using testloop::ProcessUntil;

class Refit : public testwindow::MainWindowTest {
protected:
    void started() override
    {
        ASSERT_TRUE(dir.isValid());
        window->setMinimumSize(0, 0);
    }
    void TearDown() override
    {
        window->languages().switchLanguage(QStringLiteral("en"));
        MainWindowTest::TearDown();
    }

    void open(int w, int h)
    {
        const QString file = dir.filePath(QStringLiteral("photo_%1x%2.png").arg(w).arg(h));
        ASSERT_TRUE(gfx::EncodeToFile(testimg::MakeNoise(w, h, 5), file, gfx::ImageFormat::Png, 80));
        ASSERT_TRUE(window->documentActions().openImageFile(file));
    }

    pq::CanvasArea& canvas() { return window->canvasArea(); }
    QString zoomText() { return window->toolBar().zoomLabel()->text(); }

    // The view a fit gives the current picture in the current viewport.
    pq::CanvasTransform fitted()
    {
        return pq::FitAndCenter(QSizeF(canvas().viewportSize()), doc().resultImage.size());
    }
    // The picture is fitted to the viewport it has now, and the read-out
    // says so.
    ::testing::AssertionResult isFitted()
    {
        const pq::CanvasTransform fit = fitted();
        if (std::abs(doc().zoom - fit.zoom) > 1e-5f)
            return ::testing::AssertionFailure() << "zoom " << doc().zoom << ", fit " << fit.zoom;
        if (std::abs(doc().pan.x() - fit.pan.x()) > 1e-3 || std::abs(doc().pan.y() - fit.pan.y()) > 1e-3)
            return ::testing::AssertionFailure() << "pan " << doc().pan.x() << "," << doc().pan.y();
        const QString shown = QString::number(pq::ZoomPercent(fit.zoom)) + QStringLiteral("%");
        if (zoomText() != shown)
            return ::testing::AssertionFailure() << "read-out " << zoomText().toStdString();
        return ::testing::AssertionSuccess();
    }

    QTemporaryDir dir;
};

TEST_F(Refit, ANewWindowSizeFitsThePictureAMoveDoesNot)
{
    open(1200, 900);
    ASSERT_FLOAT_EQ(doc().zoom, 1.0f) << "an opened photo shows at 100 %";
    const QRect start = window->geometry();

    window->resize(start.width() - 150, start.height() - 100);
    EXPECT_TRUE(isFitted()) << "smaller";
    window->resize(start.width() - 20, start.height() - 10);
    EXPECT_TRUE(isFitted()) << "larger";

    // The same size at another place keeps the user's zoom.
    canvas().zoomIn();
    const float zoomed = doc().zoom;
    window->move(window->pos() + QPoint(30, 20));
    window->setGeometry(QRect(window->pos(), window->size()));
    EXPECT_FLOAT_EQ(doc().zoom, zoomed);
}

TEST_F(Refit, RestoreMaximiseAndAnEdgeDragFitThePicture)
{
    open(1600, 1000);
    ASSERT_TRUE(window->maximizedToWorkArea());
    window->toggleMaximized(); // restore
    ASSERT_FALSE(window->maximizedToWorkArea());
    EXPECT_TRUE(isFitted()) << "restored";

    canvas().zoomIn();
    window->toggleMaximized();
    ASSERT_TRUE(window->maximizedToWorkArea());
    EXPECT_TRUE(isFitted()) << "maximised";

    window->toggleMaximized();
    canvas().zoomIn();
    window->setMinimumSize(0, 0); // a drag stops at the minimum width
    QWidget* right = window->edges().strip(pq::ResizeTag::Right);
    ASSERT_TRUE(right->isVisible());
    const QPoint from = right->mapToGlobal(QPoint(2, 10));
    const QPointF local = right->mapFromGlobal(from);
    const QSize before = window->size();
    QMouseEvent press(QEvent::MouseButtonPress, local, from, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(right, &press);
    QMouseEvent move(QEvent::MouseMove, local, QPointF(from - QPoint(120, 0)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(right, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(from - QPoint(120, 0)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(right, &release);
    ASSERT_EQ(window->width(), before.width() - 120);
    EXPECT_TRUE(isFitted()) << "edge dragged";
}

TEST_F(Refit, AnotherInterfaceSizeFitsThePictureToTheViewItLeaves)
{
    open(1600, 1000);
    for (const float zoom : {0.5f, 1.5f, 0.93f}) {
        window->zoom().apply(zoom, false);
        QCoreApplication::processEvents();
        EXPECT_TRUE(isFitted()) << zoom;
    }
}

TEST_F(Refit, UndoingAFrameFitsTheSmallerPictureAndRedoTheLargerOne)
{
    open(800, 600);
    const QSize photo = doc().resultImage.size();
    // Solid wood round a transparent opening.
    const gfx::Image frame = testimg::MakeImage(300, 300, [](int x, int y) {
        return QRect(60, 60, 180, 180).contains(x, y) ? gfx::Pixel(0) : testimg::Premul(90, 60, 30);
    });
    window->selectorPanels().frameChosen(frame, 20, 0xFFFFFFFF);
    ASSERT_TRUE(ProcessUntil(
        [&] { return doc().resultImage.size() != photo && !doc().isBackgroundWorkRunning(); }, 20000));
    EXPECT_TRUE(isFitted()) << "framed";

    canvas().zoomIn();
    window->documentActions().undo();
    ASSERT_EQ(doc().resultImage.size(), photo);
    EXPECT_TRUE(isFitted()) << "frame undone";

    canvas().zoomIn();
    window->documentActions().redo();
    ASSERT_NE(doc().resultImage.size(), photo);
    EXPECT_TRUE(isFitted()) << "frame redone";
}

TEST_F(Refit, UndoOfAStepOfTheSameSizeKeepsTheZoom)
{
    open(800, 600);
    canvas().fitToView();
    // A second step of the same size.
    doc().resultImage = testimg::MakeNoise(800, 600, 9);
    doc().history->save(doc().resultImage, doc().sourceImage);
    canvas().zoomIn();
    canvas().zoomIn();
    const float zoomed = doc().zoom;
    window->documentActions().undo();
    EXPECT_FLOAT_EQ(doc().zoom, zoomed);
    const QPointF centred = pq::CenteredPan(QSizeF(canvas().viewportSize()), QSize(800, 600), zoomed);
    EXPECT_NEAR(doc().pan.x(), centred.x(), 1e-3);
    EXPECT_NEAR(doc().pan.y(), centred.y(), 1e-3);
}

TEST_F(Refit, AResizedImageIsFittedToTheView)
{
    open(800, 600);
    window->documentPanels().resizeDocument(2400, 1800);
    ASSERT_EQ(doc().resultImage.size(), QSize(2400, 1800));
    EXPECT_TRUE(isFitted()) << "enlarged";
    window->documentPanels().resizeDocument(100, 75);
    ASSERT_EQ(doc().resultImage.size(), QSize(100, 75));
    EXPECT_TRUE(isFitted()) << "shrunk";
}

TEST_F(Refit, TheReadOutShowsTheFittedZoomOfALargePhoto)
{
    open(2560, 1600);
    EXPECT_EQ(zoomText(), QStringLiteral("100%"));
    window->resize(window->width() - 40, window->height() - 40);
    ASSERT_LT(doc().zoom, 1.0f);
    EXPECT_TRUE(isFitted());
    EXPECT_NE(zoomText(), QStringLiteral("100%"));
}

TEST_F(Refit, ALanguageSwitchKeepsTheReadOutAndTheSplitHintTrue)
{
    open(1200, 900);
    pq::IconButton* split = window->toolBar().button(QStringLiteral("splitView"));
    window->languages().switchLanguage(QStringLiteral("fr"));
    const QString frenchOn = pq::Translate(QStringLiteral("Split view on"));
    const QString frenchOff = pq::Translate(QStringLiteral("Split view off"));
    ASSERT_NE(frenchOff, QStringLiteral("Split view off"));
    EXPECT_EQ(split->toolTip(), frenchOn);

    canvas().toggleSplitView();
    EXPECT_EQ(split->toolTip(), frenchOff) << "the toggle keeps the language";
    canvas().toggleSplitView();
    EXPECT_EQ(split->toolTip(), frenchOn);

    // Zoomed and split since the last switch: the next one shows both as
    // they are, not as they were recorded. The window is wider than any
    // language's least width, so the switch does not resize it (the test
    // screen is narrower than that).
    window->resize(1400, 900);
    ASSERT_TRUE(ProcessUntil([&] { return window->width() == 1400; }));
    canvas().fitToView();
    canvas().zoomIn();
    canvas().toggleSplitView();
    const QString zoomed = QString::number(pq::ZoomPercent(doc().zoom)) + QStringLiteral("%");
    ASSERT_EQ(zoomText(), zoomed);
    window->languages().switchLanguage(QStringLiteral("de"));
    EXPECT_EQ(zoomText(), zoomed);
    EXPECT_EQ(split->toolTip(), pq::Translate(QStringLiteral("Split view off")));
    window->languages().switchLanguage(QStringLiteral("en"));
    EXPECT_EQ(zoomText(), zoomed);
    EXPECT_EQ(split->toolTip(), QStringLiteral("Split view off"));
}

} // namespace
