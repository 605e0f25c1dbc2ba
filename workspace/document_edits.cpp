#include "workspace/document_edits.h"

#include "engine/history/image_history.h"
#include "engine/services/pixel_helpers.h"
#include "workspace/document.h"
#include "workspace/text_settings.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace pq {
namespace {

EditOutcome Commit(Document& document, const gfx::Image& source, const gfx::Image& result)
{
    if (!document.replaceDocument(source, result))
        return EditOutcome::Busy;
    document.history->save(document.resultImage, document.sourceImage);
    return EditOutcome::Done;
}

// Cuts a canvas length in image pixels towards zero; 0 for what is not a
// number or lies far beyond any image.
int CutToPixels(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double kLimit = 1 << 30;
    return int(std::trunc(std::clamp(value, -kLimit, kLimit)));
}

} // namespace

QString EditOutcomeText(EditOutcome outcome)
{
    switch (outcome) {
    case EditOutcome::Done: return QStringLiteral("done");
    case EditOutcome::Busy: return QStringLiteral("refused: an effect is running");
    case EditOutcome::NoImage: return QStringLiteral("no image");
    case EditOutcome::EmptyArea: return QStringLiteral("the crop rectangle does not cover the image");
    case EditOutcome::OutOfMemory: return QStringLiteral("not enough memory for the new image");
    }
    return {};
}

EditOutcome RotateDocument(Document& document, bool clockwise)
{
    if (document.isEffectRunning())
        return EditOutcome::Busy;
    if (document.sourceImage.isNull() || document.resultImage.isNull())
        return EditOutcome::NoImage;
    try {
        const gfx::Image source = RotateImage90(document.sourceImage, clockwise);
        const gfx::Image result = document.resultImage.sameAs(document.sourceImage)
                                      ? source
                                      : RotateImage90(document.resultImage, clockwise);
        if (source.isNull() || result.isNull())
            return EditOutcome::OutOfMemory;
        return Commit(document, source, result);
    } catch (const std::bad_alloc&) {
        return EditOutcome::OutOfMemory;
    }
}

QRect CropRectFromSelection(const QRectF& selection, QPointF pan, double zoom)
{
    if (!(zoom > 0))
        return {};
    const int left = CutToPixels((selection.left() - pan.x()) / zoom);
    const int top = CutToPixels((selection.top() - pan.y()) / zoom);
    const int right = left + CutToPixels(selection.width() / zoom);
    const int bottom = top + CutToPixels(selection.height() / zoom);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

EditOutcome CropDocument(Document& document, const QRect& rect)
{
    if (document.isEffectRunning())
        return EditOutcome::Busy;
    if (document.sourceImage.isNull() || document.resultImage.isNull())
        return EditOutcome::NoImage;
    // Both images have the same size in normal use; the crop keeps to both.
    const QRect area = rect.normalized() == rect
                           ? rect.intersected(document.sourceImage.rect()).intersected(document.resultImage.rect())
                           : QRect();
    if (area.isEmpty())
        return EditOutcome::EmptyArea;
    try {
        const gfx::Image source = document.sourceImage.copyRect(area);
        const gfx::Image result = document.resultImage.sameAs(document.sourceImage)
                                      ? source
                                      : document.resultImage.copyRect(area);
        if (source.isNull() || result.isNull())
            return EditOutcome::OutOfMemory;
        return Commit(document, source, result);
    } catch (const std::bad_alloc&) {
        return EditOutcome::OutOfMemory;
    }
}

EditOutcome PasteAsDocument(Document& document, const gfx::Image& pasted)
{
    if (document.isEffectRunning())
        return EditOutcome::Busy;
    if (pasted.isNull())
        return EditOutcome::NoImage;
    const EditOutcome outcome = Commit(document, pasted, pasted);
    if (outcome == EditOutcome::Done)
        document.sourceFileName.clear();
    return outcome;
}

EditOutcome CommitTextToDocument(Document& document, const TextSettings& text)
{
    if (document.isEffectRunning())
        return EditOutcome::Busy;
    if (document.resultImage.isNull())
        return EditOutcome::NoImage;
    try {
        const gfx::Image drawn = DrawCommittedText(document.resultImage, text);
        if (drawn.isNull())
            return EditOutcome::OutOfMemory;
        return Commit(document, document.sourceImage, drawn);
    } catch (const std::bad_alloc&) {
        return EditOutcome::OutOfMemory;
    }
}

} // namespace pq
