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

TDocument::TResetResult TForm1::FullReset()
{
    if (FDestroyed)
        return TDocument::TResetResult::Busy;
    TDocument::TFullResetSteps steps;
    steps.language = GetCurrentLanguage();
    steps.confirm = [this] { return FAskYesNo && FAskYesNo(QStringLiteral("Do you wish to do a full reset?")); };
    steps.closeTools = [this] {
        if (FManualBrushFrame)
            CloseManualBrushFrame();
        if (FormScriptEditor)
            FormScriptEditor->close();
    };
    steps.resetControls = [this] {
        FDefaultTexturePending = false;
        if (!FDefaultPreviewBitmap.isNull())
            Image1->setBitmap(FDefaultPreviewBitmap.copy());
        else
            Image1->setBitmap(QImage());
        UpdateEmptyPreviewBg();

        FContextMenuImageIndex = -1;
        FDraggedThumbnailIndex = -1;
        const auto tiles = HistoryRect->FlowLayoutGallery->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (auto it = tiles.rbegin(); it != tiles.rend(); ++it)
            delete *it;
        HistoryRect->FlowLayoutGallery->resize(0, HistoryRect->FlowLayoutGallery->height());
        if (HistoryRect->isExpanded())
            HistoryToggleLabelClick();

        UpdateListboxes(ListBoxes[2], 0);
        ZoomLabel->setText(QStringLiteral("100%"));
        DropZoneRect->show();
        UpdateDivider(); // hidden without an image
        SkPaintBox1->update();
    };
    return FDocument.FullReset(steps);
}

} // namespace pq
