// The split view: the source left of a draggable divider, the result right
// of it, on the main canvas.
#include "app/main_window.h"

#include "ui/widgets/icon_button.h"
#include "workspace/canvas_view.h"
#include "workspace/canvas_zoom.h"

#include <QCheckBox>

namespace pq {

double& MainWindow::dividerX()
{
    return canvasView->dividerX;
}

void MainWindow::toggleSplitView()
{
    if (document_.resultImage.isNull())
        return;
    splitViewState->setChecked(!splitViewState->isChecked()); // runs splitViewChanged
    const bool on = splitViewState->isChecked();
    if (on) {
        dividerX() = document_.pan.x() + document_.resultImage.width() * double(document_.zoom) / 2.0;
        updateDivider();
        canvasView->update();
    } else {
        divider->hide();
    }
    splitViewButton->setToolTip(on ? QStringLiteral("Split view off") : QStringLiteral("Split view on"));
    splitViewMark->setVisible(on);
    splitViewButton->update();
}

void MainWindow::splitViewChanged()
{
    const bool on = splitViewState->isChecked();
    canvasView->splitOn = on;
    divider->setVisible(on);
    splitViewMark->setVisible(on);
    if (on)
        updateDivider();
    canvasView->update();
}

void MainWindow::updateDivider()
{
    if (document_.resultImage.isNull() || !splitViewState->isChecked()) {
        divider->hide();
        return;
    }
    const DividerPlacement placement = PlaceDivider(dividerX(), document_.pan,
                                                     canvasView->displayedImageRect().size(), viewportSize().height());
    if (!placement.visible) {
        divider->hide();
        return;
    }
    dividerX() = placement.dividerX;
    divider->setGeometry(qRound(placement.dividerX - 1), qRound(placement.top), 3, qRound(placement.height));
    divider->show();
    divider->raise();
}

} // namespace pq
