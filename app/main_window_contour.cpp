// The floating colour window of "Draw shape contours".
#include "app/main_window.h"

#include "workspace/contour_color_window.h"
#include "ui/debug_log.h"
#include "ui/widgets/color_panel.h"
#include "ui/widgets/toggle_switch.h"
#include "platform/numeric.h"

#include <QTimer>

namespace pq {

void MainWindow::showContourColorWindow()
{
    if (!contourColorWindow) {
        // Built on first use.
        contourColorWindow = new ContourColorWindow(windowFrame);
        connect(contourColorWindow->colorPanel, &ColorPanel::colorChanged, this,
                [this] { GuardedCall("contourColorChanged", [this] { contourColorChanged(); }); });
        connect(contourColorWindow, &ContourColorWindow::closeClicked, this,
                [this] { GuardedCall("contourColorWindowClosed", [this] { contourColorWindowClosed(); }); });
    }
    contourColorWindow->colorPanel->setColor(QColor::fromRgba(document_.contourColor.load()));
    placeContourColorWindow();
    contourColorWindow->show();
    contourColorWindow->raise();
    contourColorWindow->setShadowEnabled(true);
    if (!contourColorTimer) {
        contourColorTimer = std::make_unique<QTimer>();
        contourColorTimer->setInterval(120);
        connect(contourColorTimer.get(), &QTimer::timeout, this,
                [this] { GuardedCall("pollContourColor", [this] { pollContourColor(); }); });
    }
    contourColorTimer->start();
}

void MainWindow::hideContourColorWindow()
{
    if (!contourColorWindow)
        return;
    contourColorWindow->setShadowEnabled(false);
    if (contourColorTimer)
        contourColorTimer->stop();
    contourColorWindow->hide();
}

void MainWindow::placeContourColorWindow()
{
    if (!contourColorWindow)
        return;
    const QSize size = contourColorWindow->size();
    const QWidget* host = contourColorWindow->parentWidget();
    const int panelX = rightPanel->mapTo(host, QPoint(0, 0)).x();
    const int switchY = contourSwitch->mapTo(host, QPoint(0, 0)).y();
    const int x = std::max(8, panelX - 12 - size.width());
    int y = std::max(8, switchY - 20);
    if (y + size.height() > host->height() - 8)
        y = host->height() - size.height() - 8;
    contourColorWindow->move(x, y);
}

QRgb MainWindow::contourPanelColor() const
{
    if (!contourColorWindow)
        return document_.contourColor.load();
    const ColorPanel* panel = contourColorWindow->colorPanel;
    QColor c = panel->color();
    c.setAlpha(platform::Round(255.0 * panel->alphaValue()));
    return c.rgba();
}

void MainWindow::contourColorChanged()
{
    const QRgb c = contourPanelColor();
    if (c == document_.contourColor.load())
        return;
    document_.contourColor = c;
    requestPreview();
}

void MainWindow::pollContourColor()
{
    // Catches changes the panel did not report.
    contourColorChanged();
}

void MainWindow::contourColorWindowClosed()
{
    // The contours stay on.
    hideContourColorWindow();
}

} // namespace pq
