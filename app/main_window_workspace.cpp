// The workspace: canvas, drop zone and gallery strip; opening an image.
#include "app/main_window.h"

#include "app/debug_log.h"
#include "app/message_box.h"
#include "app/translate.h"
#include "app/widgets/icon_button.h"
#include "workspace/canvas_view.h"
#include "workspace/drop_zone.h"
#include "workspace/gallery_strip.h"
#include "workspace/preview_pane.h"
#include "workspace/workspace_layout.h"

#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace pq {

void TForm1::BuildWorkspace(QWidget* parent)
{
    auto* outer = new QVBoxLayout(parent);
    outer->setContentsMargins(0, 0, 0, 0);
    WorskpaceRect = new QWidget(parent);
    WorskpaceRect->setObjectName(QStringLiteral("WorskpaceRect"));
    WorskpaceRect->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(WorskpaceRect);
    auto* fill = new QVBoxLayout(WorskpaceRect);
    fill->setContentsMargins(0, 0, 0, 0);

    Layout2 = new TWorkspaceLayout(WorskpaceRect);
    Layout2->setObjectName(QStringLiteral("Layout2"));
    fill->addWidget(Layout2);

    PresentedScrollBox1 = new QWidget(Layout2);
    PresentedScrollBox1->setObjectName(QStringLiteral("PresentedScrollBox1"));
    auto* viewport = new QVBoxLayout(PresentedScrollBox1);
    viewport->setContentsMargins(0, 0, 0, 0);
    SkPaintBox1 = new TCanvasView(FDocument, PresentedScrollBox1);
    SkPaintBox1->setObjectName(QStringLiteral("SkPaintBox1"));
    viewport->addWidget(SkPaintBox1);
    Layout2->setViewport(PresentedScrollBox1);

    DropZoneRect = new TDropZone(Layout2);
    DropZoneRect->setObjectName(QStringLiteral("DropZoneRect"));
    Layout2->setDropZone(DropZoneRect);

    HistoryRect = new THistoryStrip(Layout2);
    HistoryRect->setObjectName(QStringLiteral("HistoryRect"));
    HistoryToggle = new THistoryToggle(Layout2);
    HistoryToggle->setObjectName(QStringLiteral("HistoryToggle"));
    Layout2->setGalleryStrip(HistoryRect, HistoryToggle);
    connect(HistoryRect, &THistoryStrip::clicked, this,
            [this] { GuardedCall("HistoryRectClick", [this] { HistoryToggleLabelClick(); }); });
    connect(HistoryToggle, &THistoryToggle::clicked, this,
            [this] { GuardedCall("HistoryToggleClick", [this] { HistoryToggleLabelClick(); }); });
}

void TForm1::HistoryToggleLabelClick()
{
    const bool expand = !HistoryRect->isExpanded();
    HistoryRect->setExpanded(expand);
    HistoryToggle->setExpanded(expand);
    Layout2->relayout();
    SkPaintBox1->update();
}

void TForm1::UpdateDropZone()
{
    DropZoneRect->setVisible(FDocument.ZIdImage.isNull());
}

void TForm1::FullSizeAndCenter()
{
    const gfx::Image& image = FDocument.ZIdImage;
    if (image.isNull())
        return;
    const QSize view = PresentedScrollBox1->size();
    FDocument.FZoomFactor = 1.0f;
    FDocument.FPanOffset = QPointF((view.width() - image.width()) / 2.0, (view.height() - image.height()) / 2.0);
    ZoomLabel->setText(QStringLiteral("100%"));
    SkPaintBox1->update();
}

bool TForm1::LoadLargeImage(const QString& fileName)
{
    if (!FDocument.CanReplaceDocument())
        return false;
    QImageReader reader(fileName);
    reader.setAutoTransform(true);
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        ShowMessageBox(this, Translate(QStringLiteral("Failed to load image: ")) + fileName);
        return false;
    }
    const gfx::Image image = gfx::Image::fromQImage(decoded);
    if (image.isNull() || !FDocument.ReplaceDocument(image, image))
        return false;
    FDocument.FSourceFileName = fileName;
    EngineFields& shared = *FDocument.Shared;
    shared.PreviewStartX = std::max(0, image.width() / 2 - 100);
    shared.PreviewStartY = std::max(0, image.height() / 2 - 100);
    FDocument.FPreviewZoomFactor = 1.0f;
    FullSizeAndCenter();

    // The pane shows the untreated source window until a preview arrives.
    QImage pane(TPreviewPane::kSize, TPreviewPane::kSize, QImage::Format_ARGB32_Premultiplied);
    pane.fill(Qt::white);
    {
        QPainter p(&pane);
        p.drawImage(QPointF(0, 0), image.qimage(),
                    QRectF(shared.PreviewStartX, shared.PreviewStartY, TPreviewPane::kSize, TPreviewPane::kSize));
    }
    Image1->setBitmap(pane);
    FDocument.FHistory->Save(FDocument.ZIdImage, FDocument.ZIdSourceImage);
    FDocument.FImageDirty = false;
    UpdateDropZone();
    return true;
}

} // namespace pq
