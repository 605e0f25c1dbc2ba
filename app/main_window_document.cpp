// The full reset of the workspace.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/canvas_view.h"
#include "workspace/drop_zone.h"
#include "workspace/gallery_strip.h"
#include "workspace/preview_pane.h"

#include <QLabel>
#include <QListWidget>

namespace pq {

Document::ResetResult MainWindow::fullReset()
{
    if (destroyed_)
        return Document::ResetResult::Busy;
    Document::FullResetSteps steps;
    steps.language = GetCurrentLanguage();
    steps.confirm = [this] { return askYesNo && askYesNo(QStringLiteral("Do you wish to do a full reset?")); };
    steps.closeTools = [this] {
        if (manualBrushPanel)
            closeManualBrush();
        if (gScriptEditor)
            gScriptEditor->close();
    };
    steps.resetControls = [this] {
        defaultTexturePending = false;
        if (!defaultPreviewPicture.isNull())
            previewPane->setBitmap(defaultPreviewPicture.copy());
        else
            previewPane->setBitmap(QImage());
        showEmptyPreview();

        contextMenuTile = -1;
        draggedTile = -1;
        const auto tiles = galleryStrip->tileRow->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (auto it = tiles.rbegin(); it != tiles.rend(); ++it)
            delete *it;
        galleryStrip->tileRow->resize(0, galleryStrip->tileRow->height());
        if (galleryStrip->isExpanded())
            toggleGallery();

        showSelectedEffect(effectLists[2], 0);
        zoomLabel->setText(QStringLiteral("100%"));
        dropZone->show();
        updateDivider(); // hidden without an image
        canvasView->update();
    };
    return document_.fullReset(steps);
}

} // namespace pq
