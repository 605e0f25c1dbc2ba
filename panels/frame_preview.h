#pragma once

#include "gfx/frame_image.h"
#include "gfx/image.h"

#include <QRgb>
#include <QSize>
#include <QWidget>

#include <optional>

namespace pq {

// A tile's thumbnail: the picture scaled to at most `longest` pixels on
// its longer side (rounded, at least 1), or the picture itself when it is
// smaller; null for a null picture.
gfx::Image MakeScaledThumb(const gfx::Image& picture, int longest = 240);

// The mat tile's 240 x 240 thumbnail: the margin colour around a
// transparent window where a picture of `picture` size would sit inside a
// margin of `margin` pixels, both outlined in grey.
gfx::Image MakeMatThumbnail(QRgb marginColor, int margin, QSize picture);

// What the frame preview draws: a frame cut once per choice, with whether
// it can hold a picture at all.
struct PreviewFrame {
    gfx::FramePatches patches;
    bool hasOpening = false;
};
PreviewFrame MakePreviewFrame(const gfx::Image& frame);

// The preview of a framed picture in a box of `box` size on light grey:
// `pictureSize` is the picture's real size (1000 x 1000 grey without a
// picture) and `picture` any smaller copy of it. The layout is the
// composition's, scaled to fit the box and centred. A frame without an
// opening is refused by the composition, so the picture shows as it is.
gfx::Image RenderFramePreview(QSize box, const gfx::Image& picture, QSize pictureSize, const PreviewFrame* frame,
                              int margin, QRgb marginColor);

// The frame selector's preview box.
class FramePreview : public QWidget {
    Q_OBJECT
public:
    explicit FramePreview(QWidget* parent = nullptr);

    // The picture to frame; scaled down once here.
    void setPicture(const gfx::Image& picture);
    void setFrame(const gfx::Image& frame);
    void setMargin(int margin, QRgb marginColor);
    // What the box shows now.
    gfx::Image render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    gfx::Image picture_;
    QSize pictureSize_;
    std::optional<PreviewFrame> frame_;
    int margin_ = 0;
    QRgb marginColor_ = 0xFFFFFFFF;
};

} // namespace pq
