// The floating colour window of "Draw shape contours".
#include "app/main_window.h"

#include "workspace/contour_color_window.h"
#include "ui/debug_log.h"
#include "ui/widgets/color_panel.h"
#include "ui/widgets/toggle_switch.h"
#include "platform/numeric.h"

#include <QTimer>

namespace pq {

void TForm1::ShowContourColorWindow()
{
    if (!ContourColorWindow) {
        // Built on first use.
        ContourColorWindow = new TContourColorWindow(MainFormRect);
        connect(ContourColorWindow->ContourColorPanel, &TColorPanel::colorChanged, this,
                [this] { GuardedCall("ContourColorPanelChange", [this] { ContourColorPanelChange(); }); });
        connect(ContourColorWindow, &TContourColorWindow::closeClicked, this,
                [this] { GuardedCall("ContourColorCloseButtonClick", [this] { ContourColorCloseButtonClick(); }); });
    }
    ContourColorWindow->ContourColorPanel->setColor(QColor::fromRgba(FDocument.FContourColor.load()));
    PositionContourColorWindowNearSwitch();
    ContourColorWindow->show();
    ContourColorWindow->raise();
    ContourColorWindow->setShadowEnabled(true);
    if (!FContourColorTimer) {
        FContourColorTimer = std::make_unique<QTimer>();
        FContourColorTimer->setInterval(120);
        connect(FContourColorTimer.get(), &QTimer::timeout, this,
                [this] { GuardedCall("ContourColorTimerTick", [this] { ContourColorTimerTick(); }); });
    }
    FContourColorTimer->start();
}

void TForm1::HideContourColorWindow()
{
    if (!ContourColorWindow)
        return;
    ContourColorWindow->setShadowEnabled(false);
    if (FContourColorTimer)
        FContourColorTimer->stop();
    ContourColorWindow->hide();
}

void TForm1::PositionContourColorWindowNearSwitch()
{
    if (!ContourColorWindow)
        return;
    const QSize size = ContourColorWindow->size();
    const QWidget* host = ContourColorWindow->parentWidget();
    const int panelX = RightPanelRect->mapTo(host, QPoint(0, 0)).x();
    const int switchY = ContourSwitch->mapTo(host, QPoint(0, 0)).y();
    const int x = std::max(8, panelX - 12 - size.width());
    int y = std::max(8, switchY - 20);
    if (y + size.height() > host->height() - 8)
        y = host->height() - size.height() - 8;
    ContourColorWindow->move(x, y);
}

QRgb TForm1::ReadContourPanelColor() const
{
    if (!ContourColorWindow)
        return FDocument.FContourColor.load();
    const TColorPanel* panel = ContourColorWindow->ContourColorPanel;
    QColor c = panel->color();
    c.setAlpha(platform::Round(255.0 * panel->alphaValue()));
    return c.rgba();
}

void TForm1::ContourColorPanelChange()
{
    const QRgb c = ReadContourPanelColor();
    if (c == FDocument.FContourColor.load())
        return;
    FDocument.FContourColor = c;
    RequestEffectPreview();
}

void TForm1::ContourColorTimerTick()
{
    // Catches changes the panel did not report.
    ContourColorPanelChange();
}

void TForm1::ContourColorCloseButtonClick()
{
    // The contours stay on.
    HideContourColorWindow();
}

} // namespace pq
