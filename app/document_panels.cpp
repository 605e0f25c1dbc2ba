#include "app/document_panels.h"

#include "app/panel_host.h"
#include "panels/combine_panel.h"
#include "panels/resize_panel.h"
#include "ui/translate.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/document.h"
#include "workspace/document_resize.h"
#include "workspace/user_dialogs.h"

namespace pq {

DocumentPanels::DocumentPanels(Document& document, const UserDialogs& dialogs, PanelHost& panels, CanvasArea& canvas,
                               QObject* parent)
    : QObject(parent), document_(document), dialogs_(dialogs), panels_(panels), canvas_(canvas)
{
}

void DocumentPanels::showResizePanel()
{
    if (document_.sourceImage.isNull() || (busy && busy()) || panels_.backdropPanelOpen())
        return;
    panels_.hideScriptEditorForDialog();
    auto* panel = new ResizePanel;
    panel->setInitialSize(document_.sourceImage.width(), document_.sourceImage.height());
    connect(panel, &ResizePanel::confirmed, this, [this](int width, int height) {
        // Run after the panel's handler has returned.
        QMetaObject::invokeMethod(this, [this, width, height] { resizeDocument(width, height); }, Qt::QueuedConnection);
    });
    connect(panel, &ResizePanel::cancelled, &panels_, &PanelHost::requestCloseOverlay);
    panels_.showOverlayPanel(panel);
    panel->focusPercentBox();
}

void DocumentPanels::resizeDocument(int width, int height)
{
    panels_.closeOverlay();
    if (width <= 0 || height <= 0 || document_.sourceImage.isNull())
        return;
    const ResizedDocument resized =
        ResizeDocumentImages(document_.sourceImage, document_.resultImage, width, height);
    if (!resized.ok()) {
        dialogs_.tell(Translate(QStringLiteral("Image too large for available memory: "))
                      + QStringLiteral("%1 \u00D7 %2").arg(width).arg(height));
        return;
    }
    document_.sourceImage = resized.source;
    document_.resultImage = resized.result;
    canvas_.fitToView();
    document_.history->save(document_.resultImage, document_.sourceImage);
}

void DocumentPanels::showCombinePanel(const gfx::Image& blend)
{
    if (document_.resultImage.isNull()) {
        dialogs_.tell(Translate(QStringLiteral("No base image loaded.")));
        return;
    }
    if (blend.isNull()) {
        dialogs_.tell(Translate(QStringLiteral("No blend image selected.")));
        return;
    }
    if ((busy && busy()) || panels_.backdropPanelOpen())
        return;
    panels_.hideScriptEditorForDialog();
    auto* panel = new CombinePanel;
    panel->setImages(document_.resultImage, blend);
    connect(panel, &CombinePanel::applied, this, [this](const gfx::Image& result) {
        // Committed after the panel's handler has returned.
        QMetaObject::invokeMethod(this, [this, result] { commitBlend(result); }, Qt::QueuedConnection);
    });
    connect(panel, &CombinePanel::cancelled, &panels_, &PanelHost::requestCloseOverlay);
    panels_.showOverlayPanel(panel);
    panel->setFocus(Qt::OtherFocusReason);
}

void DocumentPanels::commitBlend(const gfx::Image& result)
{
    if (!result.isNull()) {
        document_.resultImage = result;
        document_.history->save(document_.resultImage, document_.sourceImage);
        canvas_.canvasView()->update();
    }
    panels_.closeOverlay();
}

} // namespace pq
