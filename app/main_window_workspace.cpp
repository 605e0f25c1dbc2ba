// The workspace: canvas with its split-view divider, drop zone and gallery
// strip.
#include "app/main_window.h"

#include "ui/debug_log.h"
#include "ui/message_box.h"
#include "ui/translate.h"
#include "ui/widgets/icon_button.h"
#include "workspace/canvas_view.h"
#include "workspace/drop_zone.h"
#include "workspace/gallery_strip.h"
#include "workspace/preview_pane.h"
#include "workspace/workspace_layout.h"

#include <QGraphicsDropShadowEffect>
#include <QLabel>
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

    // The split view's divider: a white bar 3 wide with a soft shadow.
    Splitter = new QWidget(SkPaintBox1);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setAttribute(Qt::WA_StyledBackground);
    Splitter->setStyleSheet(QStringLiteral("#Splitter { background: white; }"));
    Splitter->setCursor(Qt::SplitHCursor);
    auto* shadow = new QGraphicsDropShadowEffect(Splitter);
    shadow->setOffset(0, 1);
    shadow->setBlurRadius(4);
    shadow->setColor(QColor(0, 0, 0, 217));
    Splitter->setGraphicsEffect(shadow);
    Splitter->setGeometry(0, 0, 3, 0);
    Splitter->hide();

    DropZoneRect = new TDropZone(Layout2);
    DropZoneRect->setObjectName(QStringLiteral("DropZoneRect"));
    Layout2->setDropZone(DropZoneRect);
    const auto accepts = [this](const QMimeData* data) { return DropZoneRectDragOver(data); };
    const auto dropped = [this](const QMimeData* data) {
        GuardedCall("DropZoneRectDragDrop", [this, data] { DropZoneRectDragDrop(data); });
    };
    SkPaintBox1->AcceptsDrop = accepts;
    SkPaintBox1->Dropped = dropped;
    DropZoneRect->AcceptsDrop = accepts;
    DropZoneRect->Dropped = dropped;

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

} // namespace pq
