// Hosting the overlay panels and the script editor window: the part of
// their life the main window owns.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "panels/overlay_host.h"

#include <QTimer>
#include <QWindow>

namespace pq {

void TForm1::ShowOverlayFrame(QWidget* frame)
{
    if (!frame)
        return;
    layOverlayContainer->clearPanels();
    layOverlayContainer->hide();
    // The backdrop is a snapshot of what the window shows beneath.
    const QImage snapshot = MainFormRect->grab().toImage();
    layOverlayContainer->setGeometry(MainFormRect->rect());
    layOverlayContainer->setBackdropFrom(snapshot);
    // The panel speaks the interface language and wears the theme.
    GuardedCall("TranslateComponent", [frame] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(frame);
    });
    if (GThemeMode == tmLight)
        GuardedCall("ThemeWalk", [this, frame] { ThemeWalk(frame, true); });
    layOverlayContainer->addCentred(frame);
    layOverlayContainer->show();
    layOverlayContainer->raise();
    // Captions are fitted once the panel has its laid-out sizes.
    QTimer::singleShot(0, frame, [frame] { GuardedCall("AutoFitTexts", [frame] { AutoFitTexts(frame); }); });
}

void TForm1::CloseOverlay()
{
    layOverlayContainer->hide();
    layOverlayContainer->clearPanels();
    layOverlayContainer->clearBackdrop();
    if (FDocument.FReopenManualBrushAfterLUT)
        FDocument.FReopenManualBrushAfterLUT = false;
    if (FDocument.FReopenScriptEditorAfterLUT) {
        FDocument.FReopenScriptEditorAfterLUT = false;
        if (FormScriptEditor) {
            FormScriptEditor->show();
            if (FormScriptEditor->windowHandle())
                FormScriptEditor->windowHandle()->setTransientParent(windowHandle());
        }
    }
}

void TForm1::CloseManualBrushFrame()
{
    if (FManualBrushFrame) {
        if (FManualBrushApplying)
            FDocument.Shared->Cancel.request();
        ForgetComponent(FManualBrushFrame.data());
        delete FManualBrushFrame.data();
        FManualBrushFrame = nullptr;
        FManualBrushApplying = false;
    }
    layOverlayContainer->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    layOverlayContainer->hide();
    layOverlayContainer->clearPanels();
}

void TForm1::ShowScriptEditor()
{
    if (FDocument.ZIdImage.isNull() || !FormScriptEditor)
        return;
    FormScriptEditor->show();
    FormScriptEditor->raise();
    FormScriptEditor->activateWindow();
}

void TForm1::CloseScriptEditorForDialog()
{
    if (FormScriptEditor && FormScriptEditor->isVisible()) {
        UnlinkScriptEditorWindow();
        FormScriptEditor->hide();
    }
}

void TForm1::UnlinkScriptEditorWindow()
{
    // The editor stays owned by the main window; only the native
    // window's owner link goes.
    if (FormScriptEditor && FormScriptEditor->windowHandle())
        FormScriptEditor->windowHandle()->setTransientParent(nullptr);
}

} // namespace pq
