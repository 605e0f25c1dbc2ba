#include "app/main_window.h"
#include "app/left_panel.h"
#include "app/main_menu.h"
#include "app/panel_host.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "panels/overlay_host.h"
#include "workspace/canvas_area.h"
#include "workspace/document_actions.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/preview_panel.h"
#include "app/startup.h"
#include "ui/widgets/expander.h"
#include "workspace/drop_zone.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QSlider>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "event_loop.h"

#include <chrono>
#include <functional>
#include <thread>

namespace {

// Runs the event loop until pred() holds; false when it never does.
bool ProcessUntil(const std::function<bool()>& pred, int limitMs = 5000)
{
    return testloop::ProcessUntil(pred, limitMs);
}

void ProcessFor(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString WritePhoto(const QTemporaryDir& dir, const char* name)
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, 128));
    const QString path = dir.filePath(QString::fromLatin1(name));
    EXPECT_TRUE(image.save(path));
    return path;
}

// A main window with a scripted answer to every question.
struct WindowFixture {
    explicit WindowFixture(QStringList commandLine = {QStringLiteral("pastelloquin")})
    {
        window.commandLine = std::move(commandLine);
        window.dialogs().askYesNo = [this](const QString& text) {
            questions << text;
            return answer;
        };
    }
    void showAndInitialise()
    {
        window.show();
        ASSERT_TRUE(ProcessUntil([&] { return window.initialized; }));
    }
    pq::MainWindow window;
    QStringList questions;
    bool answer = true;
};

TEST(StartupText, ErrorMessageHasTheFixedWording)
{
    EXPECT_EQ(pq::StartupErrorText(QStringLiteral("out of memory")),
              QStringLiteral("Pastelloquin startup error: out of memory\r\n\r\nThe application will now exit."));
}

TEST(StartupArguments, FirstArgumentMustNameAnExistingFile)
{
    QTemporaryDir dir;
    const QString photo = WritePhoto(dir, "photo.png");
    EXPECT_EQ(pq::StartupImageArgument({QStringLiteral("prog")}), QString());
    EXPECT_EQ(pq::StartupImageArgument({QStringLiteral("prog"), photo}), photo);
    EXPECT_EQ(pq::StartupImageArgument({QStringLiteral("prog"), photo + QStringLiteral(".missing")}), QString());
    EXPECT_EQ(pq::StartupImageArgument({QStringLiteral("prog"), dir.path()}), QString());
    EXPECT_EQ(pq::StartupImageArgument({QStringLiteral("prog"), QStringLiteral("-psn_0_12345"), photo}), QString());
    // Only the first argument counts.
    EXPECT_EQ(pq::StartupImageArgument({QStringLiteral("prog"), QStringLiteral("nothing"), photo}), QString());
}

TEST(StartupChoices, UpdateCheckRunsOnOneDrawInTen)
{
    int runs = 0;
    for (int draw = 0; draw < 100; ++draw)
        runs += pq::DrawRunsUpdateCheck(draw) ? 1 : 0;
    EXPECT_EQ(runs, 10);
    EXPECT_FALSE(pq::DrawRunsUpdateCheck(89));
    EXPECT_TRUE(pq::DrawRunsUpdateCheck(90));
    for (int i = 0; i < 50; ++i) {
        const int draw = pq::StartupUpdateDraw();
        EXPECT_GE(draw, 0);
        EXPECT_LE(draw, 99);
    }
}

TEST(StartupChoices, InterfaceZoomAtFirstShow)
{
    EXPECT_FLOAT_EQ(pq::UIZoomAtFirstShow(QStringLiteral("300"), 0.8f), 1.5f);
    EXPECT_FLOAT_EQ(pq::UIZoomAtFirstShow(QStringLiteral("20"), 0.8f), 0.5f);
    EXPECT_FLOAT_EQ(pq::UIZoomAtFirstShow(QStringLiteral("abc"), 0.8f), 1.0f);
    EXPECT_FLOAT_EQ(pq::UIZoomAtFirstShow(QStringLiteral("125"), 0.8f), 1.25f);
    EXPECT_FLOAT_EQ(pq::UIZoomAtFirstShow(QString(), 0.8f), 0.8f);
    EXPECT_FLOAT_EQ(pq::ComputeAutoUiZoom(QRect(0, 0, 1920, 1040)), float((1040.0 - 16) / 1150));
    EXPECT_FLOAT_EQ(pq::ComputeAutoUiZoom(QRect(0, 0, 3840, 2160)), 1.0f);
    EXPECT_FLOAT_EQ(pq::ComputeAutoUiZoom(QRect(0, 0, 800, 500)), 0.5f);
    EXPECT_FLOAT_EQ(pq::ComputeAutoUiZoom(QRect()), 1.0f);
}

TEST(StartupGeometry, WindowIsCentredAndRestoreRectFitsTheWorkArea)
{
    const QRect screen(0, 0, 1920, 1080);
    const QRect work(0, 0, 1920, 1040);
    // 98 % of the screen (Round(1881.6), Round(1058.4)), centred in the work
    // area with a truncating division.
    EXPECT_EQ(pq::InitialWindowRect(screen, work), QRect(19, -9, 1882, 1058));
    const QRect restore = pq::RestoreRectForWorkArea(work, QSize(1080, 768));
    EXPECT_EQ(restore.size(), QSize(1728, 936));
    EXPECT_EQ(restore.topLeft(), QPoint(96, 52));
    // A small work area: the minimum size wins, capped by the area.
    EXPECT_EQ(pq::RestoreRectForWorkArea(QRect(0, 0, 1100, 700), QSize(1080, 768)).size(), QSize(1080, 700));
}

TEST(MainWindowStartup, FirstShowWorkRunsOnce)
{
    QTemporaryDir dir;
    const QString photo = WritePhoto(dir, "first.png");
    WindowFixture f({QStringLiteral("pastelloquin"), photo});
    pq::MainWindow& w = f.window;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("  Pastelloquin 4.40"));
    f.showAndInitialise();
    ASSERT_TRUE(ProcessUntil([&] { return !w.document().resultImage.isNull(); }));

    EXPECT_EQ(w.initializationRuns, 1);
    EXPECT_EQ(w.startupImageLoads, 1);
    EXPECT_TRUE(w.maximizedToWorkArea());
    EXPECT_EQ(w.document().sourceFileName, photo);
    EXPECT_FALSE(w.document().unsavedChanges);
    EXPECT_FALSE(w.canvasArea().dropZone()->isVisible());
    // Watercolor selected with its sliders and the Painting family open.
    EXPECT_EQ(w.document().selectedEffect, 300);
    EXPECT_EQ(w.effectLists().list(3)->currentRow(), 0);
    EXPECT_TRUE(w.effectLists().expander(3)->isExpanded());
    EXPECT_FALSE(w.effectLists().expander(1)->isExpanded());
    const int defaults[5] = {30, 40, 40, 100, 20};
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(w.effectPanel().sliders()[k]->value(), defaults[k]);
    ASSERT_NE(w.effectLists().findChild<QWidget*>(QStringLiteral("effectAccentBar")), nullptr);
    EXPECT_TRUE(w.effectLists().findChild<QWidget*>(QStringLiteral("effectAccentBar"))->isVisibleTo(&w));

    // The user tunes a slider, then minimises and restores the window:
    // Qt shows it again, which must neither reload nor reset anything.
    w.effectPanel().sliders()[0]->setValue(85);
    w.document().params[3][0].value1 = 85;
    const uint64_t generation = w.document().documentGeneration();
    w.showMinimized();
    ProcessFor(30);
    w.hide();
    ProcessFor(30);
    w.showNormal();
    ProcessFor(100);
    EXPECT_EQ(w.initializationRuns, 1);
    EXPECT_EQ(w.startupImageLoads, 1);
    EXPECT_EQ(w.document().documentGeneration(), generation);
    EXPECT_EQ(w.effectPanel().sliders()[0]->value(), 85);
    EXPECT_EQ(w.document().params[3][0].value1, 85);
    EXPECT_TRUE(f.questions.isEmpty());
}

TEST(MainWindowStartup, IgnoredArgumentsLeaveTheWorkspaceEmpty)
{
    WindowFixture f({QStringLiteral("pastelloquin"), QStringLiteral("-psn_0_4711")});
    f.showAndInitialise();
    ProcessFor(30);
    EXPECT_EQ(f.window.startupImageLoads, 0);
    EXPECT_TRUE(f.window.document().resultImage.isNull());
    EXPECT_TRUE(f.window.canvasArea().dropZone()->isVisible());
}

TEST(MainWindowStartup, ConfirmOverwriteAsksOnlyForExistingFiles)
{
    QTemporaryDir dir;
    const QString existing = WritePhoto(dir, "keep.png");
    WindowFixture f;
    f.answer = false;
    EXPECT_TRUE(f.window.dialogs().confirmOverwrite(dir.filePath(QStringLiteral("new.png"))));
    EXPECT_TRUE(f.questions.isEmpty());
    EXPECT_FALSE(f.window.dialogs().confirmOverwrite(existing));
    ASSERT_EQ(f.questions.size(), 1);
    EXPECT_EQ(f.questions[0], QStringLiteral("The file \"keep.png\" already exists. Replace it?"));
}

TEST(MainWindowClosing, UnsavedChangesAskBeforeClosing)
{
    QTemporaryDir dir;
    WindowFixture f({QStringLiteral("pastelloquin"), WritePhoto(dir, "a.png")});
    pq::MainWindow& w = f.window;
    f.showAndInitialise();
    ASSERT_TRUE(ProcessUntil([&] { return !w.document().resultImage.isNull(); }));
    w.document().unsavedChanges = true;
    const uint64_t cancelEpoch = w.document().shared->cancel.epoch();

    f.answer = false;
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(f.questions.size(), 1);
    EXPECT_EQ(f.questions[0], QStringLiteral("There are unsaved changes.\nExit anyway?"));
    EXPECT_EQ(w.document().shared->cancel.epoch(), cancelEpoch) << "No leaves Cancel untouched";

    // Yes while an effect is applying: refused and remembered.
    f.answer = true;
    w.document().runningEffect = 300;
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_GT(w.document().shared->cancel.epoch(), cancelEpoch);
    EXPECT_TRUE(w.document().closeRequested);

    // The run ends: the deferred close closes without asking again.
    w.document().runningEffect = -1;
    w.document().honorDeferredClose();
    EXPECT_EQ(f.questions.size(), 2);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.document().closeRequested);
}

TEST(MainWindowClosing, NoQuestionWithoutAResult)
{
    WindowFixture f;
    f.showAndInitialise();
    f.window.document().unsavedChanges = true;
    EXPECT_TRUE(f.window.close());
    EXPECT_TRUE(f.questions.isEmpty());
}

TEST(MainWindowClosing, FrameWorkerEndingPerformsTheDeferredClose)
{
    WindowFixture f;
    pq::MainWindow& w = f.window;
    f.showAndInitialise();
    w.document().beginBackgroundWorker();
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.document().closeRequested);
    // The worker hands back through a queued call to the UI thread.
    std::thread worker([&w] {
        QMetaObject::invokeMethod(&w, [&w] { w.document().endBackgroundWorker(); }, Qt::QueuedConnection);
    });
    worker.join();
    ASSERT_TRUE(ProcessUntil([&] { return !w.isVisible(); }));
    EXPECT_EQ(w.document().backgroundWorkers.load(), 0);
}

TEST(MainWindowShutdown, WaitsForWorkersAndFreesOnlyWhenTheyAreDone)
{
    QTemporaryDir dir;
    {
        WindowFixture f({QStringLiteral("pastelloquin"), WritePhoto(dir, "b.png")});
        pq::MainWindow& w = f.window;
        f.showAndInitialise();
        ASSERT_TRUE(ProcessUntil([&] { return !w.document().resultImage.isNull(); }));
        // A worker that never ends: after the wait nothing it shares is freed.
        w.document().beginBackgroundWorker();
        w.shutdownWaitMs = 50;
        const uint64_t epoch = w.document().shared->cancel.epoch();
        EXPECT_FALSE(w.shutDown());
        EXPECT_GT(w.document().shared->cancel.epoch(), epoch);
        EXPECT_FALSE(w.document().resultImage.isNull());
        EXPECT_FALSE(w.timersRunning());
    }
    {
        WindowFixture f({QStringLiteral("pastelloquin"), WritePhoto(dir, "c.png")});
        pq::MainWindow& w = f.window;
        f.showAndInitialise();
        ASSERT_TRUE(ProcessUntil([&] { return !w.document().resultImage.isNull(); }));
        // A worker that hands back while the shut-down waits; the wait is
        // far longer than any descheduling, so it ends by the hand-back.
        w.shutdownWaitMs = 600000;
        w.document().beginBackgroundWorker();
        std::thread worker([&w] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            QMetaObject::invokeMethod(&w, [&w] { w.document().endBackgroundWorker(); }, Qt::QueuedConnection);
        });
        const bool done = w.shutDown();
        worker.join();
        EXPECT_TRUE(done);
        EXPECT_TRUE(w.document().resultImage.isNull());
        EXPECT_TRUE(w.document().sourceImage.isNull());
    }
}

TEST(MainWindowReset, FullResetFromTheWindow)
{
    QTemporaryDir dir;
    WindowFixture f({QStringLiteral("pastelloquin"), WritePhoto(dir, "d.png")});
    pq::MainWindow& w = f.window;
    f.showAndInitialise();
    ASSERT_TRUE(ProcessUntil([&] { return !w.document().resultImage.isNull(); }));
    w.selectListedEffect(2, 1); // Stippling
    EXPECT_FALSE(w.effectPanel().sliders()[1]->isEnabled()); // Stippling has one slider
    w.canvasArea().toggleGallery();

    f.answer = false;
    EXPECT_EQ(w.fullReset(), pq::Document::ResetResult::Declined);
    EXPECT_EQ(f.questions.value(0), QStringLiteral("Do you wish to do a full reset?"));
    EXPECT_FALSE(w.document().resultImage.isNull());

    w.document().runningEffect = 300;
    EXPECT_EQ(w.fullReset(), pq::Document::ResetResult::Busy);
    EXPECT_EQ(f.questions.size(), 1);
    w.document().runningEffect = -1;

    f.answer = true;
    EXPECT_EQ(w.fullReset(), pq::Document::ResetResult::Done);
    EXPECT_TRUE(w.document().resultImage.isNull());
    EXPECT_TRUE(w.canvasArea().dropZone()->isVisible());
    EXPECT_EQ(w.document().selectedEffect, 300);
    EXPECT_EQ(w.effectLists().list(3)->currentRow(), 0);
    EXPECT_EQ(w.effectLists().list(2)->currentRow(), -1);
    EXPECT_TRUE(w.effectPanel().sliders()[4]->isEnabled());
    EXPECT_EQ(w.effectPanel().sliders()[3]->value(), 100);
}

} // namespace

namespace {

TEST(MainWindowProgress, BarShowsARunAndHidesAtItsEnd)
{
    WindowFixture f;
    pq::MainWindow& w = f.window;
    f.showAndInitialise();
    QWidget* bar = w.titleBar().progressBar();
    // A run is working: the clean-up tick leaves its bar alone.
    w.document().runningEffect = 200;
    const int target = (bar->parentWidget()->width() - 170) * 60 / 100;
    w.titleBar().updateProgressBar(60);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(w.titleBar().shownProgress(), 60);
    ASSERT_TRUE(ProcessUntil([&] { return bar->width() == target; }));
    EXPECT_TRUE(w.titleBar().progressLabel()->isVisible());
    EXPECT_EQ(w.titleBar().progressLabel()->text(), QStringLiteral("60%"));

    // Scripts report elsewhere: even the end value is ignored then.
    w.document().scriptRunning = true;
    w.titleBar().updateProgressBar(101);
    EXPECT_TRUE(bar->isVisible());
    w.document().scriptRunning = false;

    w.titleBar().updateProgressBar(101);
    w.document().runningEffect = -1;
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->width(), 0);
    EXPECT_EQ(w.titleBar().shownProgress(), -1);
    EXPECT_FALSE(w.titleBar().progressLabel()->isVisible());
    // A short bar shows no percentage.
    w.titleBar().updateProgressBar(1);
    EXPECT_FALSE(w.titleBar().progressLabel()->isVisible());
}

} // namespace

#include "panels/overlay_host.h"

namespace {

TEST(MainWindowOverlay, PanelsOpenCentredOverABackdropAndAreFreedOnClose)
{
    WindowFixture f;
    pq::MainWindow& w = f.window;
    f.showAndInitialise();
    QPointer<QWidget> panel = new QWidget;
    panel->resize(300, 200);
    w.panels().showOverlayPanel(panel);
    pq::OverlayHost* overlay = w.panels().overlay();
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(overlay->hasBackdrop());
    EXPECT_EQ(panel->parentWidget(), overlay);
    EXPECT_EQ(panel->geometry().center(), overlay->rect().center());

    w.document().reopenScriptEditorAfterLUT = true;
    w.panels().closeOverlay();
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_TRUE(panel.isNull());
    EXPECT_FALSE(w.document().reopenScriptEditorAfterLUT);
}

} // namespace

#include "engine/repository/image_repository.h"

namespace {

TEST(MainWindowStartup, StartupTextureComesFromTheRepository)
{
    if (!pq::Repository().loaded())
        pq::Repository().install(pq::DecodeBuiltInImages());
    ASSERT_GT(pq::Repository().textureList.size(), 1u);
    WindowFixture f;
    pq::MainWindow& w = f.window;
    f.showAndInitialise();
    EXPECT_TRUE(w.document().texture.image.sameAs(pq::Repository().textureList[1].image));
    EXPECT_FALSE(w.defaultTexturePending);

    // After a full reset nothing is laid until a texture is chosen again,
    // even when the repository reports late.
    f.answer = true;
    ASSERT_EQ(w.fullReset(), pq::Document::ResetResult::Done);
    w.repositoryLoaded();
    EXPECT_TRUE(w.document().texture.image.isNull());
}

TEST(MainWindowStartup, ALateRepositoryStillGivesTheStartupTexture)
{
    WindowFixture f;
    pq::MainWindow& w = f.window;
    f.showAndInitialise();
    // As if the tick had run before the images were installed.
    w.document().texture.image = {};
    w.defaultTexturePending = true;
    if (!pq::Repository().loaded())
        pq::Repository().install(pq::DecodeBuiltInImages());
    w.repositoryLoaded();
    EXPECT_FALSE(w.document().texture.image.isNull());
    EXPECT_FALSE(w.defaultTexturePending);
}

} // namespace
