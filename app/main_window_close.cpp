// Closing: the unsaved-changes question, the close deferred while work
// runs, and the orderly shut-down.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/translate.h"
#include "workspace/auto_enhance_command.h"
#include "engine/runtime/effect_runtime.h"
#include "engine/runtime/engine_host.h"
#include "platform/tick.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>

#include <utility>

namespace pq {

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (destroyed_) {
        event->accept();
        return;
    }
    bool allowed = false;
    GuardedCall("closeAllowed", [&] { allowed = mayClose() && closeAllowed(); });
    if (allowed)
        event->accept();
    else
        event->ignore();
}

bool MainWindow::mayClose()
{
    if (std::exchange(discardAgreed, false))
        return true;
    if (!document_.hasUnsavedChanges())
        return true;
    const QString question =
        Translate(QStringLiteral("There are unsaved changes.")) + QStringLiteral("\n") + Translate(QStringLiteral("Exit anyway?"));
    return askYesNo && askYesNo(question);
}

bool MainWindow::closeAllowed()
{
    document_.shared->cancel.request();
    if (isBackgroundWorkRunning()) {
        document_.closeRequested = true;
        discardAgreed = true;
        return false;
    }
    return true;
}

bool MainWindow::shutDown()
{
    if (destroyed_)
        return true;
    destroyed_ = true;

    // Stop every run and wait for the workers, serving their calls to the
    // UI thread so that none stays blocked in a hand-back. No timer may
    // start new work meanwhile.
    for (QTimer* timer : {&previewTimer, &previewDebounceTimer, &zoomDebounceTimer})
        timer->stop();
    if (batchTimer)
        batchTimer->stop();
    BeginEngineShutdown();
    document_.shared->cancel.request();
    const auto workersAlive = [this] {
        return isBackgroundWorkRunning() || EffectWorkerCount() > 0 || AutoEnhanceCommand::workerCount() > 0;
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
        if (effectAccentBar)
            effectAccentBar->hide();
        DebugLog(QStringLiteral("  shutDown: disable timers"));
        for (QTimer* timer : {&zoomOutRepeat, &zoomInRepeat, &moveWindowTimer, &timer1, &previewTimer,
                              &initializationTimer, &fontColorTimer})
            timer->stop();
        if (batchTimer)
            batchTimer->stop();
        for (QTimer* timer : {&zoomDebounceTimer, &monitorCheckTimer, &galleryContextTimer, &cleanUpTimer,
                              &previewDebounceTimer, &textBoxPulseTimer})
            timer->stop();

        DebugLog(QStringLiteral("  shutDown: AbortProcessing + Sleep"));
        AbortProcessing();
        document_.shared->cancel.request();
        platform::SleepMs(250);

        DebugLog(QStringLiteral("  shutDown: batch cleanup"));
        batchRunning = false;
        batchTimer.reset();
        batchFiles.reset();
        batchScriptText.reset();

        DebugLog(QStringLiteral("  shutDown: script cleanup"));
        batchScript.clear();
        gScriptEditor = nullptr;

        if (!workersDone) {
            // A worker still runs after the wait: what it shares stays.
            DebugLog(QStringLiteral("  shutDown: workers still running"));
            return;
        }
        document_.scriptRunning = false;
        DebugLog(QStringLiteral("  shutDown: history + bitmaps"));
        document_.history->clear();
        document_.storedTexture = {};
        defaultPreviewPicture = QImage();
        document_.customBrushBitmap302 = {};
        document_.customBrushBitmap303 = {};
        document_.customBrushBitmap304 = {};
        DebugLog(QStringLiteral("  shutDown: nil Skia images"));
        document_.resultImage = {};
        document_.sourceImage = {};
        document_.galleryItems.clear();
    });
    DebugLog(QStringLiteral("<<< shutDown done"));
    return workersDone;
}

} // namespace pq
