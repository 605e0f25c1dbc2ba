#include "workspace/edit_actions.h"

#include "workspace/canvas_area.h"
#include "workspace/canvas_view.h"
#include "workspace/clipboard.h"
#include "workspace/document.h"
#include "workspace/document_edits.h"
#include "workspace/drop_zone.h"
#include "workspace/preview_panel.h"

namespace pq {

EditActions::EditActions(Document& document, CanvasArea& canvas, PreviewPanel& preview, QObject* parent)
    : QObject(parent), document_(document), canvas_(canvas), preview_(preview)
{
}

void EditActions::copy() const
{
    CopyImageToClipboard(document_.resultImage);
}

bool EditActions::paste()
{
    if (document_.isEffectRunning())
        return false;
    const gfx::Image pasted = ImageFromClipboard();
    if (pasted.isNull() || PasteAsDocument(document_, pasted) != EditOutcome::Done)
        return false;
    canvas_.dropZone()->hide();
    document_.zoom = 1.0f;
    document_.pan = QPointF(0, 0);
    canvas_.actualSizeAndCentre();
    if (canvas_.splitView()) {
        canvas_.dividerX() = document_.pan.x() + pasted.width() * double(document_.zoom) / 2.0;
        canvas_.updateDivider();
    } else {
        canvas_.divider()->hide();
    }
    canvas_.canvasView()->update();
    preview_.schedule();
    return true;
}

bool EditActions::rotate(bool clockwise)
{
    if (RotateDocument(document_, clockwise) != EditOutcome::Done)
        return false;
    canvas_.centreImage();
    canvas_.canvasView()->update();
    return true;
}

} // namespace pq
