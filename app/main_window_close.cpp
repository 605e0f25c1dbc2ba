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

void TForm1::closeEvent(QCloseEvent* event)
{
    if (FDestroyed) {
        event->accept();
        return;
    }
    bool allowed = false;
    GuardedCall("FormClose", [&] { allowed = FormCloseQuery() && FormClose(); });
    if (allowed)
        event->accept();
    else
        event->ignore();
}

bool TForm1::FormCloseQuery()
{
    if (std::exchange(FDiscardAgreed, false))
        return true;
    if (!FDocument.HasUnsavedChanges())
        return true;
    const QString question =
        Translate(QStringLiteral("There are unsaved changes.")) + QStringLiteral("\n") + Translate(QStringLiteral("Exit anyway?"));
    return FAskYesNo && FAskYesNo(question);
}

bool TForm1::FormClose()
{
    FDocument.Shared->Cancel.request();
    if (IsBackgroundWorkRunning()) {
        FDocument.FCloseRequested = true;
        FDiscardAgreed = true;
        return false;
    }
    return true;
}

bool TForm1::FormDestroy()
{
    if (FDestroyed)
        return true;
    FDestroyed = true;

    // Stop every run and wait for the workers, serving their calls to the
    // UI thread so that none stays blocked in a hand-back. No timer may
    // start new work meanwhile.
    for (QTimer* timer : {&UpdatePreviewTimer, &PreviewDebounceTimer, &FZoomDebounceTimer})
        timer->stop();
    if (FBatchTimer)
        FBatchTimer->stop();
    BeginEngineShutdown();
    FDocument.Shared->Cancel.request();
    const auto workersAlive = [this] {
        return IsBackgroundWorkRunning() || EffectWorkerCount() > 0 || AutoEnhanceCommand::WorkerCount() > 0;
    };
    const quint32 start = platform::tickMs();
    while (workersAlive() && platform::tickMs() - start < quint32(FShutdownWaitMs)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        platform::sleepMs(10);
    }
    const bool workersDone = !workersAlive();
    // From here on the engine reaches no window.
    setEngineHost(nullptr);

    DebugLog(QStringLiteral(">>> FormDestroy begin"));
    GuardedCall("FormDestroy", [&] {
        if (FEffectAccentBar)
            FEffectAccentBar->hide();
        DebugLog(QStringLiteral("  FormDestroy: disable timers"));
        for (QTimer* timer : {&ZoomOutTimer, &ZoomInTimer, &MoveWinTimer, &Timer1, &UpdatePreviewTimer,
                              &InitializationTimer, &FontColorTimer})
            timer->stop();
        if (FBatchTimer)
            FBatchTimer->stop();
        for (QTimer* timer : {&FZoomDebounceTimer, &FMonitorCheckTimer, &FGalleryContextTimer, &CleanUpTimer,
                              &PreviewDebounceTimer, &FTextBoxPulseTimer})
            timer->stop();

        DebugLog(QStringLiteral("  FormDestroy: AbortProcessing + Sleep"));
        AbortProcessing();
        FDocument.Shared->Cancel.request();
        platform::sleepMs(250);

        DebugLog(QStringLiteral("  FormDestroy: batch cleanup"));
        FBatchRunning = false;
        FBatchTimer.reset();
        FBatchFiles.reset();
        FBatchEmbScriptText.reset();

        DebugLog(QStringLiteral("  FormDestroy: script cleanup"));
        FBatchScript.clear();
        FormScriptEditor = nullptr;

        if (!workersDone) {
            // A worker still runs after the wait: what it shares stays.
            DebugLog(QStringLiteral("  FormDestroy: workers still running"));
            return;
        }
        FDocument.FScriptRunning = false;
        DebugLog(QStringLiteral("  FormDestroy: history + bitmaps"));
        FDocument.FHistory->Clear();
        FDocument.StoredTextureBitmap = {};
        FDefaultPreviewBitmap = QImage();
        FDocument.CustomBrushBitmap302 = {};
        FDocument.CustomBrushBitmap303 = {};
        FDocument.CustomBrushBitmap304 = {};
        DebugLog(QStringLiteral("  FormDestroy: nil Skia images"));
        FDocument.ZIdImage = {};
        FDocument.ZIdSourceImage = {};
        FDocument.FGalleryItems.clear();
    });
    DebugLog(QStringLiteral("<<< FormDestroy done"));
    return workersDone;
}

} // namespace pq
