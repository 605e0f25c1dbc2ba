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

gfx::Image TForm1::ZIdImage() const
{
    return FDocument.ZIdImage;
}

void TForm1::SetZIdImage(const gfx::Image& image)
{
    FDocument.ZIdImage = image;
}

gfx::Image TForm1::ZIdSourceImage() const
{
    return FDocument.ZIdSourceImage;
}

TImageHistory* TForm1::FHistory()
{
    return FDocument.FHistory.get();
}

void TForm1::RedrawSkPaintBox1()
{
    if (SkPaintBox1)
        SkPaintBox1->update();
}

int TForm1::FCurrentEffectNumber() const
{
    return FDocument.FCurrentEffectNumber.load();
}

void TForm1::SetFCurrentEffectNumber(int number)
{
    FDocument.FCurrentEffectNumber = number;
}

bool TForm1::FCloseRequested() const
{
    return FDocument.FCloseRequested;
}

void TForm1::SetFCloseRequested(bool value)
{
    FDocument.FCloseRequested = value;
}

void TForm1::Close()
{
    close();
}

QString TForm1::GetEffectName(int number) const
{
    if (number == 501)
        return QStringLiteral("Cartoon");
    if (number == 900)
        return Translate(QStringLiteral("Brushstrokes Frame"));
    if (const EffectDefinition* effect = FindEffect(number))
        return Translate(QString::fromUtf8(effect->displayName));
    return Translate(QStringLiteral("Unknown Effect"));
}

void TForm1::ShowMessage(const QString& text)
{
    if (FShowMessage)
        FShowMessage(text);
}

bool TForm1::FEraseBdChecked() const
{
    return FDocument.FEraseBdChecked.load();
}

bool TForm1::FDrawContourChecked() const
{
    return FDocument.FDrawContourChecked.load();
}

QRgb TForm1::FContourColor() const
{
    return FDocument.FContourColor.load();
}

bool TForm1::AddTextureOn() const
{
    return FDocument.FAddTextureChecked.load();
}

gfx::Image TForm1::StoredTextureBitmap() const
{
    return FDocument.StoredTextureBitmap;
}

float TForm1::StoredTextureStrength() const
{
    return FDocument.StoredTextureStrength;
}

float TForm1::StoredTextureScale() const
{
    return FDocument.StoredTextureScale;
}

bool TForm1::CustomBrushesOn302() const
{
    return FDocument.CustomBrushesOn302;
}

bool TForm1::CustomBrushesOn303() const
{
    return FDocument.CustomBrushesOn303;
}

bool TForm1::CustomBrushesOn304() const
{
    return FDocument.CustomBrushesOn304;
}

gfx::Image TForm1::CustomBrushBitmap302() const
{
    return FDocument.CustomBrushBitmap302;
}

gfx::Image TForm1::CustomBrushBitmap303() const
{
    return FDocument.CustomBrushBitmap303;
}

gfx::Image TForm1::CustomBrushBitmap304() const
{
    return FDocument.CustomBrushBitmap304;
}

int TForm1::CustomBrushCount304() const
{
    return FDocument.CustomBrushCount304;
}

bool TForm1::HasManualBrushFrame() const
{
    return !FManualBrushFrame.isNull();
}

LUTChoice TForm1::FLUTChoice() const
{
    LUTChoice choice;
    choice.FLUTFilePath = FDocument.FLUTFilePath;
    choice.FLUTData = FDocument.FLUTData;
    choice.FLUTName = FDocument.FLUTName;
    return choice;
}

float TForm1::FPreviewZoomFactor() const
{
    return FDocument.FPreviewZoomFactor.load();
}

QSizeF TForm1::Image1Size() const
{
    return Image1 ? QSizeF(Image1->size()) : QSizeF();
}

void TForm1::SetPreviewBitmap(const gfx::Image& bitmap)
{
    if (Image1 && !bitmap.isNull())
        Image1->setBitmap(bitmap.qimage());
}

void TForm1::SetPreviewPC(int value)
{
    if (!Image1)
        return;
    Image1->PreviewPC->setText(QString::number(value) + QStringLiteral("%"));
    Image1->PreviewPC->setVisible(value > 0 && value <= 100);
    Image1->update();
}

} // namespace pq
