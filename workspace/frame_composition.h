#pragma once

#include "gfx/image.h"

#include <QObject>
#include <QRgb>
#include <QString>

#include <functional>

namespace pq {

class Document;

// Both document images in the same frame: the result's size gives the
// layout, so that source and result stay aligned. Both are null when the
// frame has no opening at its centre (its centre pixel is solid), when an
// image is missing, or when the output cannot be made.
struct FramedDocument {
    gfx::Image result;
    gfx::Image source;
    bool ok() const { return !result.isNull() && !source.isNull(); }
};
FramedDocument FrameDocumentImages(const gfx::Image& result, const gfx::Image& source, const gfx::Image& frame,
                                   int margin, QRgb marginColor);

// Puts the chosen frame around the document on a thread of its own that
// counts as background work (a close waits for it). The hand-back replaces
// both images with one history step, unless the document changed
// meanwhile; every way it ends closes the overlay the frame panel left.
// UI thread.
class FrameComposition : public QObject {
    Q_OBJECT
public:
    explicit FrameComposition(Document& document, QObject* parent = nullptr);

    // Hides the frame panel's backdrop; called on every path.
    std::function<void()> closeOverlay;
    // The framed document is shown: redraw and fit to the view.
    std::function<void()> showFramed;
    // A message for the user.
    std::function<void(const QString&)> tell;

    enum class Outcome { Started, NothingToFrame, NotStarted };
    // Frames the document with `frame`, a margin of `margin` pixels (below
    // 0 counts as 0) in an unpremultiplied ARGB colour.
    Outcome applySelectedFrame(const gfx::Image& frame, int margin, QRgb marginColor);

signals:
    // A composition has handed back (framed, refused or dropped).
    void finished(bool framed);

private:
    void handBack(uint64_t generation, const FramedDocument& framed);
    void close();

    Document& document_;
};

} // namespace pq
