#include "workspace/frame_composition.h"

#include "engine/history/image_history.h"
#include "engine/runtime/ui_sync.h"
#include "gfx/frame_image.h"
#include "ui/translate.h"
#include "workspace/document.h"

#include <QPointer>

#include <future>
#include <system_error>
#include <thread>

namespace pq {

FramedDocument FrameDocumentImages(const gfx::Image& result, const gfx::Image& source, const gfx::Image& frame,
                                   int margin, QRgb marginColor)
{
    // A solid centre would give a hole turned inside out (left past right).
    if (result.isNull() || source.isNull() || !gfx::HasFrameOpening(frame))
        return {};
    const gfx::FrameHole hole = gfx::FindFrameHole(frame);
    const gfx::FramePatches patches = gfx::CutFrame(frame, hole);
    const gfx::FrameLayout layout = gfx::LayOutFrame(result.size(), frame.size(), hole, margin);
    FramedDocument framed;
    // The source at the result's place; drawn stretched into the result's
    // size only when the two differ. It is composed beside the result, or
    // shared when it is the same image.
    const auto composeSource = [&] { return gfx::ComposeFramedPicture(source, patches, layout, marginColor); };
    std::future<gfx::Image> sourceDone;
    if (!source.sameAs(result)) {
        try {
            sourceDone = std::async(std::launch::async, composeSource);
        } catch (const std::system_error&) {
            // No thread to spare: composed after the result.
        }
    }
    framed.result = gfx::ComposeFramedPicture(result, patches, layout, marginColor);
    if (sourceDone.valid())
        framed.source = sourceDone.get();
    else
        framed.source = source.sameAs(result) ? framed.result : composeSource();
    if (framed.result.isNull() || framed.source.isNull())
        return {};
    return framed;
}

FrameComposition::FrameComposition(Document& document, QObject* parent) : QObject(parent), document_(document) {}

FrameComposition::Outcome FrameComposition::applySelectedFrame(const gfx::Image& frame, int margin, QRgb marginColor)
{
    if (frame.isNull() || document_.resultImage.isNull() || document_.sourceImage.isNull()) {
        close();
        return Outcome::NothingToFrame;
    }
    const gfx::Image result = document_.resultImage;
    const gfx::Image source = document_.sourceImage;
    const uint64_t generation = document_.beginBackgroundWorker();
    QPointer<FrameComposition> self(this);
    try {
        std::thread([self, generation, result, source, frame, margin, marginColor] {
            FramedDocument framed;
            try {
                framed = FrameDocumentImages(result, source, frame, margin, marginColor);
            } catch (...) {
                framed = {};
            }
            try {
                SyncWithUi([&] {
                    if (self)
                        self->handBack(generation, framed);
                });
            } catch (...) {
                // The UI is gone: nothing to hand back to.
            }
        }).detach();
    } catch (...) {
        document_.endBackgroundWorker();
        close();
        if (tell)
            tell(Translate(QStringLiteral("Memory error before thread.")));
        return Outcome::NotStarted;
    }
    return Outcome::Started;
}

void FrameComposition::handBack(uint64_t generation, const FramedDocument& framed)
{
    const bool apply = framed.ok() && document_.isCurrentDocument(generation) && !document_.resultImage.isNull();
    if (apply) {
        document_.resultImage = framed.result;
        document_.sourceImage = framed.source;
        document_.history->save(document_.resultImage, document_.sourceImage);
        if (showFramed)
            showFramed();
    }
    close();
    emit finished(apply);
    // Counted down after the hand-back has returned, so that a close it
    // lets through never runs inside the worker's call.
    QMetaObject::invokeMethod(this, [this] { document_.endBackgroundWorker(); }, Qt::QueuedConnection);
}

void FrameComposition::close()
{
    if (closeOverlay)
        closeOverlay();
}

} // namespace pq
