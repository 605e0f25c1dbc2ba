// The main window as the effect engine's host: the engine reads and
// writes the document, the options and the preview pane through these,
// always on the UI thread.
#include "app/main_window.h"

#include "ui/translate.h"
#include "workspace/canvas_view.h"
#include "catalogue/effect_catalogue.h"
#include "workspace/preview_pane.h"

#include <QLabel>

namespace pq {

gfx::Image MainWindow::resultImage() const
{
    return document_.resultImage;
}

void MainWindow::setResultImage(const gfx::Image& image)
{
    document_.resultImage = image;
}

gfx::Image MainWindow::sourceImage() const
{
    return document_.sourceImage;
}

ImageHistory* MainWindow::history()
{
    return document_.history.get();
}

void MainWindow::redrawCanvas()
{
    if (canvasView)
        canvasView->update();
}

int MainWindow::runningEffect() const
{
    return document_.runningEffect.load();
}

void MainWindow::setRunningEffect(int number)
{
    document_.runningEffect = number;
}

bool MainWindow::closeRequested() const
{
    return document_.closeRequested;
}

void MainWindow::setCloseRequested(bool value)
{
    document_.closeRequested = value;
}

void MainWindow::closeWindow()
{
    close();
}

QString MainWindow::effectName(int number) const
{
    if (number == 501)
        return QStringLiteral("Cartoon");
    if (number == 900)
        return Translate(QStringLiteral("Brushstrokes Frame"));
    if (const EffectDefinition* effect = FindEffect(number))
        return Translate(QString::fromUtf8(effect->displayName));
    return Translate(QStringLiteral("Unknown Effect"));
}

void MainWindow::showMessage(const QString& text)
{
    if (showMessageBox)
        showMessageBox(text);
}

bool MainWindow::eraseBackground() const
{
    return document_.eraseBackground.load();
}

bool MainWindow::drawContours() const
{
    return document_.drawContours.load();
}

QRgb MainWindow::contourColor() const
{
    return document_.contourColor.load();
}

bool MainWindow::addTexture() const
{
    return document_.addTexture.load();
}

gfx::Image MainWindow::storedTexture() const
{
    return document_.storedTexture;
}

float MainWindow::storedTextureStrength() const
{
    return document_.storedTextureStrength;
}

float MainWindow::storedTextureScale() const
{
    return document_.storedTextureScale;
}

bool MainWindow::customBrushesOn302() const
{
    return document_.customBrushesOn302;
}

bool MainWindow::customBrushesOn303() const
{
    return document_.customBrushesOn303;
}

bool MainWindow::customBrushesOn304() const
{
    return document_.customBrushesOn304;
}

gfx::Image MainWindow::customBrushBitmap302() const
{
    return document_.customBrushBitmap302;
}

gfx::Image MainWindow::customBrushBitmap303() const
{
    return document_.customBrushBitmap303;
}

gfx::Image MainWindow::customBrushBitmap304() const
{
    return document_.customBrushBitmap304;
}

int MainWindow::customBrushCount304() const
{
    return document_.customBrushCount304;
}

bool MainWindow::manualBrushOpen() const
{
    return !manualBrushPanel.isNull();
}

LUTChoice MainWindow::lutChoice() const
{
    LUTChoice choice;
    choice.lutFilePath = document_.lutFilePath;
    choice.lutData = document_.lutData;
    choice.lutName = document_.lutName;
    return choice;
}

float MainWindow::previewZoom() const
{
    return document_.previewZoom.load();
}

QSizeF MainWindow::previewPaneSize() const
{
    return previewPane ? QSizeF(previewPane->size()) : QSizeF();
}

void MainWindow::showPreview(const gfx::Image& bitmap)
{
    if (previewPane && !bitmap.isNull())
        previewPane->setBitmap(bitmap.qimage());
}

void MainWindow::setPreviewPercent(int value)
{
    if (!previewPane)
        return;
    previewPane->percentLabel->setText(QString::number(value) + QStringLiteral("%"));
    previewPane->percentLabel->setVisible(value > 0 && value <= 100);
    previewPane->update();
}

} // namespace pq
