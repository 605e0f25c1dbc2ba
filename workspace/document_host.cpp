#include "workspace/document_host.h"

#include "catalogue/effect_catalogue.h"
#include "ui/translate.h"
#include "workspace/document.h"
#include "workspace/preview_pane.h"
#include "workspace/user_dialogs.h"

#include <QLabel>

namespace pq {

DocumentHost::DocumentHost(Document& document, const UserDialogs& dialogs)
    : EngineHost(document.shared), document_(document), dialogs_(dialogs)
{
}

gfx::Image DocumentHost::resultImage() const
{
    return document_.resultImage;
}

void DocumentHost::setResultImage(const gfx::Image& image)
{
    document_.resultImage = image;
}

gfx::Image DocumentHost::sourceImage() const
{
    return document_.sourceImage;
}

ImageHistory* DocumentHost::history()
{
    return document_.history.get();
}

void DocumentHost::redrawCanvas()
{
    if (redraw)
        redraw();
}

int DocumentHost::runningEffect() const
{
    return document_.runningEffect.load();
}

void DocumentHost::setRunningEffect(int number)
{
    document_.runningEffect = number;
}

bool DocumentHost::closeRequested() const
{
    return document_.closeRequested;
}

void DocumentHost::setCloseRequested(bool value)
{
    document_.closeRequested = value;
}

void DocumentHost::closeWindow()
{
    if (close)
        close();
}

QString DocumentHost::effectName(int number) const
{
    return EffectDisplayName(number);
}

void DocumentHost::showMessage(const QString& text)
{
    dialogs_.tell(text);
}

bool DocumentHost::eraseBackground() const
{
    return document_.eraseBackground.load();
}

bool DocumentHost::drawContours() const
{
    return document_.drawContours.load();
}

QRgb DocumentHost::contourColor() const
{
    return document_.contourColor.load();
}

bool DocumentHost::addTexture() const
{
    return document_.addTexture.load();
}

gfx::Image DocumentHost::storedTexture() const
{
    return document_.texture.image;
}

float DocumentHost::storedTextureStrength() const
{
    return document_.texture.strength;
}

float DocumentHost::storedTextureScale() const
{
    return document_.texture.scale;
}

CustomBrushSheet DocumentHost::customBrushSheet(BrushSheetChoice choice) const
{
    const CustomBrushSheet* sheet = document_.customSheet(choice);
    return sheet ? *sheet : CustomBrushSheet();
}

bool DocumentHost::manualBrushOpen() const
{
    return brushPanelOpen && brushPanelOpen();
}

LUTChoice DocumentHost::lutChoice() const
{
    return document_.lut;
}

float DocumentHost::previewZoom() const
{
    return document_.previewZoom.load();
}

QSizeF DocumentHost::previewPaneSize() const
{
    return previewPane ? QSizeF(previewPane->size()) : QSizeF();
}

void DocumentHost::showPreview(const gfx::Image& picture)
{
    if (previewPane && !picture.isNull())
        previewPane->setBitmap(picture.qimage());
}

void DocumentHost::setPreviewPercent(int value)
{
    if (!previewPane)
        return;
    previewPane->percentLabel->setText(QString::number(value) + QStringLiteral("%"));
    previewPane->percentLabel->setVisible(value > 0 && value <= 100);
    previewPane->update();
}

void DocumentHost::updateProgressBar(int value)
{
    if (progress)
        progress(value);
}

QString EffectDisplayName(int number)
{
    if (number == 501)
        return QStringLiteral("Cartoon");
    if (number == 900)
        return Translate(QStringLiteral("Brushstrokes Frame"));
    if (const EffectDefinition* effect = FindEffect(number))
        return Translate(QString::fromUtf8(effect->displayName));
    return Translate(QStringLiteral("Unknown Effect"));
}

} // namespace pq
