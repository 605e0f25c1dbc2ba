#pragma once

#include "gfx/image.h"

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

namespace pq {

class Document;
struct TextSettings;

// How a document edit ended.
enum class EditOutcome {
    Done,
    Busy,        // an effect runs: refused, nothing changed
    NoImage,     // no document (or nothing to paste)
    EmptyArea,   // the crop rectangle holds no pixel: nothing changed
    OutOfMemory, // the new images could not be made: nothing changed
};

// One line for the user or a tool's error output.
QString EditOutcomeText(EditOutcome outcome);

// The edits that change the document's images and are saved to the
// history. Each is refused while an effect runs, needs a document, leaves
// it as it was when it fails, and replaces the document (a worker still
// running for the old one is dropped). No widgets: tools and tests run
// them headless.

// Turns source and result by a quarter, clockwise or counter-clockwise.
EditOutcome RotateDocument(Document& document, bool clockwise);

// The crop rectangle in image pixels of a selection in canvas
// coordinates, for a view showing image pixel p at pan + p * zoom. Each
// edge is cut towards zero; not yet intersected with the images.
QRect CropRectFromSelection(const QRectF& selection, QPointF pan, double zoom);

// Both images cut to `rect` (right and bottom exclusive), intersected with
// both images. An empty intersection changes nothing.
EditOutcome CropDocument(Document& document, const QRect& rect);

// The pasted image as source and result of a new, unnamed document.
EditOutcome PasteAsDocument(Document& document, const gfx::Image& pasted);

// The text drawn into the result; the source photo stays.
EditOutcome CommitTextToDocument(Document& document, const TextSettings& text);

} // namespace pq
