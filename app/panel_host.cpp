#include "app/panel_host.h"

#include "panels/backdrop.h"
#include "panels/lut_selector.h"
#include "panels/overlay_host.h"
#include "ui/debug_log.h"
#include "ui/dictionary.h"
#include "ui/theme.h"
#include "workspace/document.h"
#include "workspace/preview_panel.h"

#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace pq {

PanelHost::PanelHost(Document& document, PreviewPanel& preview, QWidget* frame)
    : QObject(frame), document_(document), preview_(preview), frame_(frame), overlay_(new OverlayHost(frame))
{
    overlay_->setObjectName(QStringLiteral("overlayHost"));
}

void PanelHost::showOverlayPanel(QWidget* panel)
{
    if (!panel)
        return;
    if (manualBrushPanel)
        closeManualBrush();
    overlay_->clearPanels();
    overlay_->hide();
    // The backdrop is made from a picture of what the window shows beneath,
    // at its display scale.
    const QImage snapshot = frame_->grab().toImage();
    overlay_->setGeometry(frame_->rect());
    overlay_->setBackdrop(backdrops_.backdropOf(snapshot, snapshot.devicePixelRatio()));
    // The panel speaks the interface language and wears the theme.
    GuardedCall("TranslateComponent", [panel] {
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(panel);
    });
    if (gThemeMode == ThemeMode::Light && applyLightTheme)
        GuardedCall("applyLightTheme", [this, panel] { applyLightTheme(panel); });
    overlay_->addCentred(panel);
    overlay_->show();
    overlay_->raise();
    // Captions are fitted once the panel has its laid-out sizes.
    QTimer::singleShot(0, panel, [panel] { GuardedCall("AutoFitTexts", [panel] { AutoFitTexts(panel); }); });
}

bool PanelHost::backdropPanelOpen() const
{
    return overlay_->isVisible() && overlay_->hasBackdrop();
}

void PanelHost::requestCloseOverlay()
{
    QMetaObject::invokeMethod(
        this,
        [this, open = QPointer<QWidget>(overlay_->panel())] {
            if (open && open == overlay_->panel())
                closeOverlay();
        },
        Qt::QueuedConnection);
}

void PanelHost::closeOverlay()
{
    overlay_->hide();
    overlay_->clearPanels();
    overlay_->clearBackdrop();
    const bool reopenBrush = document_.reopenManualBrushAfterLUT;
    document_.reopenManualBrushAfterLUT = false;
    if (document_.reopenScriptEditorAfterLUT) {
        document_.reopenScriptEditorAfterLUT = false;
        if (scriptEditor) {
            scriptEditor->show();
            linkScriptEditor();
        }
    }
    if (reopenBrush && reopenManualBrush)
        reopenManualBrush();
}

void PanelHost::closeManualBrush()
{
    if (manualBrushPanel) {
        if (manualBrushApplying)
            document_.shared->cancel.request();
        ForgetComponent(manualBrushPanel.data());
        delete manualBrushPanel.data();
        manualBrushPanel = nullptr;
        manualBrushApplying = false;
    }
    overlay_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    overlay_->hide();
    overlay_->clearPanels();
}

void PanelHost::showScriptEditor()
{
    if (document_.resultImage.isNull())
        return;
    if (!scriptEditor && createScriptEditor)
        scriptEditor = createScriptEditor();
    if (!scriptEditor)
        return;
    scriptEditor->show();
    QWidget* editor = scriptEditor;
    QTimer::singleShot(0, editor, [editor] { GuardedCall("AutoFitTexts", [editor] { AutoFitTexts(editor); }); });
    // Centred over the main window (a window manager may place it itself).
    const QRect main = frame_->window()->frameGeometry();
    const QRect own = scriptEditor->frameGeometry();
    scriptEditor->move(main.left() + (main.width() - own.width()) / 2, main.top() + (main.height() - own.height()) / 2);
    linkScriptEditor();
}

void PanelHost::linkScriptEditor()
{
    // Owned by the main window: above it and minimised with it.
    if (!scriptEditor)
        return;
    if (scriptEditor->windowHandle() && frame_->window()->windowHandle())
        scriptEditor->windowHandle()->setTransientParent(frame_->window()->windowHandle());
    scriptEditor->raise();
    scriptEditor->activateWindow();
}

void PanelHost::hideScriptEditorForDialog()
{
    if (scriptEditor && scriptEditor->isVisible()) {
        unlinkScriptEditor();
        scriptEditor->hide();
    }
}

void PanelHost::unlinkScriptEditor()
{
    // The editor stays owned by the main window; only the native window's
    // owner link goes.
    if (scriptEditor && scriptEditor->windowHandle())
        scriptEditor->windowHandle()->setTransientParent(nullptr);
}

void PanelHost::chooseLUT()
{
    // Never over an open panel: its close would close that panel.
    if (document_.isEffectRunning() || document_.resultImage.isNull() || backdropPanelOpen())
        return;
    document_.reopenManualBrushAfterLUT = !manualBrushPanel.isNull();
    if (document_.reopenManualBrushAfterLUT)
        closeManualBrush();
    document_.reopenScriptEditorAfterLUT = scriptEditor && scriptEditor->isVisible();
    if (document_.reopenScriptEditorAfterLUT) {
        unlinkScriptEditor();
        scriptEditor->hide();
    }

    // Closing the overlay brings back what was closed for the panel.
    auto* panel = new LUTSelector;
    connect(panel, &LUTSelector::lutApplied, this, &PanelHost::applyChosenLUT);
    connect(panel, &LUTSelector::closeRequested, this, &PanelHost::requestCloseOverlay);
    panel->setSourcePhoto(document_.sourceImage);
    showOverlayPanel(panel);
    // Filled once translated, so that no table's name is taken for a
    // caption to translate.
    panel->initialize(document_.lut.name, document_.lut.data, document_.lut.filePath);
    panel->selectButton->setFocus(Qt::OtherFocusReason);
}

void PanelHost::applyChosenLUT(const QString& name, const QByteArray& data, const QString& filePath)
{
    document_.lut.onLUTApplied(name, data, filePath);
    preview_.schedule();
}

} // namespace pq
