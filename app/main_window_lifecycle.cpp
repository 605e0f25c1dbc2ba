// The main window's life: the first show and the initialisation tick after
// it, the full reset, and closing with its orderly shut-down.
#include "app/main_window.h"

#include "app/caption_marquees.h"
#include "app/editing_tools.h"
#include "app/info_boxes.h"
#include "app/interface_languages.h"
#include "app/interface_zoom.h"
#include "app/manual_brush.h"
#include "app/panel_host.h"
#include "app/script_editor/script_editor.h"
#include "app/splash.h"
#include "app/startup.h"
#include "app/title_bar.h"
#include "app/tool_bar.h"
#include "engine/repository/image_repository.h"
#include "engine/runtime/effect_runtime.h"
#include "platform/tick.h"
#include "scripting/script_context.h"
#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "ui/settings.h"
#include "workspace/auto_enhance_command.h"
#include "workspace/brushstrokes_frame_command.h"
#include "workspace/canvas_area.h"
#include "workspace/gallery_part.h"
#include "workspace/canvas_view.h"
#include "workspace/document_actions.h"
#include "workspace/drop_zone.h"
#include "workspace/effect_lists.h"
#include "workspace/effect_panel.h"
#include "workspace/preview_panel.h"
#include "workspace/workspace_layout.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QListWidget>
#include <QScreen>

#include <utility>

namespace pq {

void MainWindow::takeOver()
{
    show();
    raise();
    activateWindow();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    GuardedCall("firstShow", [this] { firstShow(); });
}

void MainWindow::firstShow()
{
    DebugLog(QStringLiteral(">>> firstShow begin"));
    if (!startupLayoutDone_) {
        startupLayoutDone_ = true;
        const QRect work = screen() ? screen()->availableGeometry() : QRect();
        // The saved interface zoom, or the automatic one. Applying it (and
        // showing it in the menu) is the interface-zoom code's work.
        interfaceZoom = UIZoomAtFirstShow(GetSetting(QStringLiteral("uizoom"), QString()), ComputeAutoUiZoom(work));
        zoom_->setZoom(interfaceZoom);
        zoom_->updateScale();
        toolBar_->updateLogo();
        zoom_->updateMinimumSize();
        maximized_ = false;
        toggleMaximized();
    }

    // Qt shows the window again after a restore from minimised: the
    // initialisation tick and the command-line image belong to the first
    // show only.
    if (!firstShowDone_) {
        firstShowDone_ = true;
        initializationTimer_.start();
        const QString path = StartupImageArgument(commandLine);
        if (!path.isEmpty()) {
            ++startupImageLoads;
            // After the window has its first layout, so that the image is
            // centred in the real viewport.
            QTimer::singleShot(0, this, [this, path] {
                GuardedCall("openImageFile", [this, &path] { actions_->openImageFile(path); });
            });
        }
    }

    if (gSplash && gSplash->isVisible())
        gSplash->hide();
    DebugLog(QStringLiteral("<<< firstShow done"));
}

void MainWindow::initialize()
{
    DebugLog(QStringLiteral(">>> initialize begin"));
    initializationTimer_.stop();
    ++initializationRuns;
    titleBar_->setMaximized(maximized_);

    defaultTexturePending = !takeDefaultTexture();

    document_.initializeEffectChoice();
    effectPanel().showSelectedEffect();
    toolBar_->show();

    const QRect work = screen() ? screen()->availableGeometry() : QRect();
    DebugLogFmt("Startup: workArea=%dx%d", work.width(), work.height());
    const QRect restore = RestoreRectForWorkArea(work, minimumSize());
    if (maximized_)
        setGeometry(work);
    else
        toggleMaximized();
    restoreBounds_ = restore;
    canvas_->workspaceLayout()->relayout();

    // The saved or the system's interface language. The painting family
    // opens with the selected effect marked.
    GuardedCall("language", [this] { languages_->applyStartupLanguage(); });
    effectLists().expandOnly(2);
    const int number = document_.selectedEffect;
    if (number / 100 == 3 || number / 100 == 5)
        effectLists().select(number);

    // Captions too long for their place scroll; button captions shrink.
    setUpCaptions();

    if (DrawRunsUpdateCheck(StartupUpdateDraw()))
        commands_.run(QStringLiteral("checkForUpdate"));
    initialized = true;
    DebugLog(QStringLiteral("<<< initialize done"));
}

bool MainWindow::takeDefaultTexture()
{
    const gfx::Image texture = StartupTexture(Repository());
    if (texture.isNull())
        return false;
    document_.texture.image = texture;
    return true;
}

void MainWindow::repositoryLoaded()
{
    // Images that arrive after the initialisation tick still give the
    // start-up texture.
    if (defaultTexturePending && takeDefaultTexture())
        defaultTexturePending = false;
}

Document::ResetResult MainWindow::fullReset()
{
    if (destroyed_)
        return Document::ResetResult::Busy;
    Document::FullResetSteps steps;
    steps.language = GetCurrentLanguage();
    steps.confirm = [this] { return dialogs_.ask(QStringLiteral("Do you wish to do a full reset?")); };
    steps.closeTools = [this] {
        editingTools_->closeAll();
        if (panels_->manualBrushPanel)
            panels_->closeManualBrush();
        if (panels_->scriptEditor)
            panels_->scriptEditor->close();
        if (auto* editor = qobject_cast<ScriptEditor*>(panels_->scriptEditor))
            editor->resetToDefaultScript();
    };
    steps.resetControls = [this] {
        defaultTexturePending = false;
        previewPanel().showEmpty();
        actions_->draggedTile = -1;
        gallery_->clear();
        effectLists().select(document_.selectedEffect);
        effectPanel().showSelectedEffect();
        toolBar_->setZoomText(QStringLiteral("100%"));
        canvas_->dropZone()->show();
        canvas_->updateDivider(); // hidden without an image
        canvas_->canvasView()->update();
    };
    return document_.fullReset(steps);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (destroyed_) {
        event->accept();
        return;
    }
    bool allowed = false;
    GuardedCall("close", [&] { allowed = mayClose() && closeAllowed(); });
    if (allowed) {
        // The window goes: an update answer still on its way is dropped.
        infoBoxes_->closing();
        event->accept();
    } else
        event->ignore();
}

bool MainWindow::mayClose()
{
    if (std::exchange(discardAgreed_, false))
        return true;
    if (!document_.hasUnsavedChanges())
        return true;
    return dialogs_.ask(Translate(QStringLiteral("There are unsaved changes.")) + QStringLiteral("\n") +
                        Translate(QStringLiteral("Exit anyway?")));
}

bool MainWindow::closeAllowed()
{
    document_.shared->cancel.request();
    if (document_.isBackgroundWorkRunning()) {
        document_.closeRequested = true;
        discardAgreed_ = true;
        return false;
    }
    return true;
}

bool MainWindow::timersRunning() const
{
    return initializationTimer_.isActive() || cleanUpTimer_.isActive() || previewPanel().timer().isActive();
}

bool MainWindow::shutDown()
{
    if (destroyed_)
        return true;
    destroyed_ = true;

    // Stop every run and wait for the workers, serving their calls to the
    // UI thread so that none stays blocked in a hand-back. No timer may
    // start new work meanwhile.
    previewPanel().timer().stop();
    initializationTimer_.stop();
    cleanUpTimer_.stop();
    infoBoxes_->closing();
    GuardedCall("marquee teardown", [this] { marquees_->tearDownAll(); });
    BeginEngineShutdown();
    document_.shared->cancel.request();
    const auto workersAlive = [this] {
        return document_.isBackgroundWorkRunning() || EffectWorkerCount() > 0 || AutoEnhanceCommand::workerCount() > 0 ||
               BrushstrokesFrameCommand::workerCount() > 0;
    };
    const quint32 start = platform::TickMs();
    while (workersAlive() && platform::TickMs() - start < quint32(shutdownWaitMs)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        platform::SleepMs(10);
    }
    const bool workersDone = !workersAlive();
    // From here on the engine reaches no window.
    SetEngineHost(nullptr);

    DebugLog(QStringLiteral(">>> shutDown begin"));
    GuardedCall("shutDown", [&] {
        AbortProcessing();
        document_.shared->cancel.request();
        platform::SleepMs(250);
        panels_->scriptEditor = nullptr;
        // The brush panel stores its values in the document as it goes:
        // while both are whole.
        manualBrush_->close();
        if (!workersDone) {
            // A worker still runs after the wait: what it shares stays.
            DebugLog(QStringLiteral("  shutDown: workers still running"));
            return;
        }
        document_.scriptRunning = false;
        document_.history->clear();
        document_.texture.image = {};
        document_.pastelSheet = {};
        document_.watercolorSheet = {};
        document_.impastoSheet = {};
        document_.resultImage = {};
        document_.sourceImage = {};
        document_.gallery.clear();
    });
    DebugLog(QStringLiteral("<<< shutDown done"));
    return workersDone;
}

} // namespace pq
