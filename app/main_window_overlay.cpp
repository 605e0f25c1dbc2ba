// Hosting the overlay panels and the script editor window: the part of
// their life the main window owns.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "panels/overlay_host.h"

#include <QTimer>
#include <QWindow>

namespace pq {

void MainWindow::showOverlayPanel(QWidget* frame)
{
    if (!frame)
        return;
    overlayHost->clearPanels();
    overlayHost->hide();
    // The backdrop is a snapshot of what the window shows beneath.
    const QImage snapshot = windowFrame->grab().toImage();
    overlayHost->setGeometry(windowFrame->rect());
    overlayHost->setBackdropFrom(snapshot);
    // The panel speaks the interface language and wears the theme.
    GuardedCall("TranslateComponent", [frame] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(frame);
    });
    if (gThemeMode == ThemeMode::Light)
        GuardedCall("themeWalk", [this, frame] { themeWalk(frame, true); });
    overlayHost->addCentred(frame);
    overlayHost->show();
    overlayHost->raise();
    // Captions are fitted once the panel has its laid-out sizes.
    QTimer::singleShot(0, frame, [frame] { GuardedCall("AutoFitTexts", [frame] { AutoFitTexts(frame); }); });
}

void MainWindow::closeOverlay()
{
    overlayHost->hide();
    overlayHost->clearPanels();
    overlayHost->clearBackdrop();
    if (document_.reopenManualBrushAfterLUT)
        document_.reopenManualBrushAfterLUT = false;
    if (document_.reopenScriptEditorAfterLUT) {
        document_.reopenScriptEditorAfterLUT = false;
        if (gScriptEditor) {
            gScriptEditor->show();
            if (gScriptEditor->windowHandle())
                gScriptEditor->windowHandle()->setTransientParent(windowHandle());
        }
    }
}

void MainWindow::closeManualBrush()
{
    if (manualBrushPanel) {
        if (manualBrushApplying)
            document_.shared->cancel.request();
        ForgetComponent(manualBrushPanel.data());
        delete manualBrushPanel.data();
        manualBrushPanel = nullptr;
        manualBrushApplying = false;
    }
    overlayHost->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    overlayHost->hide();
    overlayHost->clearPanels();
}

void MainWindow::showScriptEditor()
{
    if (document_.resultImage.isNull() || !gScriptEditor)
        return;
    gScriptEditor->show();
    gScriptEditor->raise();
    gScriptEditor->activateWindow();
}

void MainWindow::hideScriptEditorForDialog()
{
    if (gScriptEditor && gScriptEditor->isVisible()) {
        unlinkScriptEditor();
        gScriptEditor->hide();
    }
}

void MainWindow::unlinkScriptEditor()
{
    // The editor stays owned by the main window; only the native
    // window's owner link goes.
    if (gScriptEditor && gScriptEditor->windowHandle())
        gScriptEditor->windowHandle()->setTransientParent(nullptr);
}

} // namespace pq
