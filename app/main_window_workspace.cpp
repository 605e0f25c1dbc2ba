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

void MainWindow::buildWorkspace(QWidget* parent)
{
    auto* outer = new QVBoxLayout(parent);
    outer->setContentsMargins(0, 0, 0, 0);
    workspaceArea = new QWidget(parent);
    workspaceArea->setObjectName(QStringLiteral("workspaceArea"));
    workspaceArea->setAttribute(Qt::WA_StyledBackground);
    outer->addWidget(workspaceArea);
    auto* fill = new QVBoxLayout(workspaceArea);
    fill->setContentsMargins(0, 0, 0, 0);

    workspaceLayout = new WorkspaceLayout(workspaceArea);
    workspaceLayout->setObjectName(QStringLiteral("workspaceLayout"));
    fill->addWidget(workspaceLayout);

    canvasViewport = new QWidget(workspaceLayout);
    canvasViewport->setObjectName(QStringLiteral("canvasViewport"));
    auto* viewport = new QVBoxLayout(canvasViewport);
    viewport->setContentsMargins(0, 0, 0, 0);
    canvasView = new CanvasView(document_, canvasViewport);
    canvasView->setObjectName(QStringLiteral("canvasView"));
    viewport->addWidget(canvasView);
    workspaceLayout->setViewport(canvasViewport);

    // The split view's divider: a white bar 3 wide with a soft shadow.
    divider = new QWidget(canvasView);
    divider->setObjectName(QStringLiteral("divider"));
    divider->setAttribute(Qt::WA_StyledBackground);
    divider->setStyleSheet(QStringLiteral("#divider { background: white; }"));
    divider->setCursor(Qt::SplitHCursor);
    auto* shadow = new QGraphicsDropShadowEffect(divider);
    shadow->setOffset(0, 1);
    shadow->setBlurRadius(4);
    shadow->setColor(QColor(0, 0, 0, 217));
    divider->setGraphicsEffect(shadow);
    divider->setGeometry(0, 0, 3, 0);
    divider->hide();

    dropZone = new DropZone(workspaceLayout);
    dropZone->setObjectName(QStringLiteral("dropZone"));
    workspaceLayout->setDropZone(dropZone);
    const auto accepts = [this](const QMimeData* data) { return acceptsDrop(data); };
    const auto dropped = [this](const QMimeData* data) {
        GuardedCall("drop", [this, data] { drop(data); });
    };
    canvasView->acceptsDrop = accepts;
    canvasView->dropped = dropped;
    dropZone->acceptsDrop = accepts;
    dropZone->dropped = dropped;

    galleryStrip = new GalleryStrip(workspaceLayout);
    galleryStrip->setObjectName(QStringLiteral("galleryStrip"));
    galleryToggle = new GalleryToggle(workspaceLayout);
    galleryToggle->setObjectName(QStringLiteral("galleryToggle"));
    workspaceLayout->setGalleryStrip(galleryStrip, galleryToggle);
    connect(galleryStrip, &GalleryStrip::clicked, this,
            [this] { GuardedCall("HistoryRectClick", [this] { toggleGallery(); }); });
    connect(galleryToggle, &GalleryToggle::clicked, this,
            [this] { GuardedCall("HistoryToggleClick", [this] { toggleGallery(); }); });
}

void MainWindow::toggleGallery()
{
    const bool expand = !galleryStrip->isExpanded();
    galleryStrip->setExpanded(expand);
    galleryToggle->setExpanded(expand);
    workspaceLayout->relayout();
    canvasView->update();
}

void MainWindow::updateDropZone()
{
    dropZone->setVisible(document_.resultImage.isNull());
}

} // namespace pq
