#include "workspace/crop_tool.h"

#include "ui/theme.h"
#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/crop_geometry.h"
#include "workspace/crop_selection.h"
#include "workspace/crop_toolbar.h"
#include "workspace/document.h"
#include "workspace/document_edits.h"
#include "workspace/gallery_strip.h"

namespace pq {

CropTool::CropTool(Document& document, CanvasArea& canvas, QObject* parent)
    : QObject(parent),
      document_(document),
      canvas_(canvas),
      selection_(new CropSelection(canvas.canvasView())),
      toolbar_(new CropToolbar(canvas.canvasView())),
      pill_(new SizePill(canvas.canvasView()))
{
    connect(selection_, &CropSelection::moved, this, [this] {
        placeToolbar();
        updateSizePill(true);
    });
    connect(selection_, &CropSelection::resized, this, [this] {
        placeToolbar();
        updateSizePill(selection_->isVisible());
    });
    connect(toolbar_->cancelButton(), &QAbstractButton::clicked, this, &CropTool::cancel);
    connect(toolbar_->applyButton(), &QAbstractButton::clicked, this, &CropTool::apply);
}

void CropTool::toggle()
{
    if (on_)
        cancel();
    else
        start();
}

void CropTool::start()
{
    if (document_.isEffectRunning() || document_.resultImage.isNull())
        return;
    if (on_) {
        cancel();
        return;
    }
    if (beforeStart)
        beforeStart();
    canvas_.setSplitView(false);
    on_ = true;

    // The whole image in view: refitted when any edge lies outside.
    CanvasView* view = canvas_.canvasView();
    const QSizeF image = QSizeF(document_.resultImage.size()) * document_.zoom;
    const QPointF pan = document_.pan;
    if (pan.x() < 0 || pan.y() < 0 || pan.x() + image.width() > view->width() ||
        pan.y() + image.height() > view->height())
        canvas_.fitToView();
    else
        canvas_.centreImage();

    selection_->setColor(gThemeMode == ThemeMode::Light ? QColor::fromRgba(0xFF334155) : QColor(Qt::white));
    selection_->show();
    selection_->raise();
    selection_->setBounds(InitialCropSelection(view->displayedImageRect()));
    toolbar_->show();
    placeToolbar();
    toolbar_->raise();
    updateSizePill(true);
    canvas_.galleryStrip()->hide();
    canvas_.galleryToggle()->hide();
}

void CropTool::apply()
{
    if (!on_ || document_.resultImage.isNull())
        return;
    const QRect rect = CropRectFromSelection(selection_->bounds(), document_.pan, document_.zoom);
    // A selection off the image cuts nothing: crop mode stays on.
    if (CropDocument(document_, rect) != EditOutcome::Done)
        return;
    end();
    canvas_.updateCanvasSize();
    canvas_.centreImage();
}

void CropTool::cancel()
{
    if (!on_)
        return;
    end();
    canvas_.updateCanvasSize();
    canvas_.canvasView()->update();
}

void CropTool::end()
{
    on_ = false;
    selection_->hide();
    toolbar_->hide();
    pill_->hide();
    canvas_.galleryStrip()->show();
    canvas_.galleryToggle()->show();
}

void CropTool::placeToolbar()
{
    toolbar_->move(CropToolbarPosition(selection_->bounds(), QSizeF(toolbar_->size())).toPoint());
}

void CropTool::updateSizePill(bool visible)
{
    pill_->setVisible(visible);
    if (!visible)
        return;
    const QRectF bounds = selection_->bounds();
    pill_->setText(CropSizeText(bounds.size(), document_.zoom));
    pill_->move(SizePillPosition(bounds, QSizeF(pill_->size()), canvas_.canvasView()->height()).toPoint());
    pill_->raise();
}

} // namespace pq
