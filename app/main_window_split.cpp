// The split view: the source left of a draggable divider, the result right
// of it, on the main canvas.
#include "app/main_window.h"

#include "ui/widgets/icon_button.h"
#include "workspace/canvas_view.h"
#include "workspace/canvas_zoom.h"

#include <QCheckBox>

namespace pq {

double& TForm1::FDividerX()
{
    return SkPaintBox1->FDividerX;
}

void TForm1::SpeedButton24Click()
{
    if (FDocument.ZIdImage.isNull())
        return;
    CheckBox1->setChecked(!CheckBox1->isChecked()); // runs CheckBox1Change
    const bool on = CheckBox1->isChecked();
    if (on) {
        FDividerX() = FDocument.FPanOffset.x() + FDocument.ZIdImage.width() * double(FDocument.FZoomFactor) / 2.0;
        UpdateDivider();
        SkPaintBox1->update();
    } else {
        Splitter->hide();
    }
    SpeedButton24->setToolTip(on ? QStringLiteral("Split view off") : QStringLiteral("Split view on"));
    SplitRectangle->setVisible(on);
    SpeedButton24->update();
}

void TForm1::CheckBox1Change()
{
    const bool on = CheckBox1->isChecked();
    SkPaintBox1->SplitOn = on;
    Splitter->setVisible(on);
    SplitRectangle->setVisible(on);
    if (on)
        UpdateDivider();
    SkPaintBox1->update();
}

void TForm1::UpdateDivider()
{
    if (FDocument.ZIdImage.isNull() || !CheckBox1->isChecked()) {
        Splitter->hide();
        return;
    }
    const TDividerPlacement placement = PlaceDivider(FDividerX(), FDocument.FPanOffset,
                                                     SkPaintBox1->DisplayedImageRect().size(), ViewportSize().height());
    if (!placement.visible) {
        Splitter->hide();
        return;
    }
    FDividerX() = placement.dividerX;
    Splitter->setGeometry(qRound(placement.dividerX - 1), qRound(placement.top), 3, qRound(placement.height));
    Splitter->show();
    Splitter->raise();
}

} // namespace pq
