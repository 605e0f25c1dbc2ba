#pragma once

#include "gfx/image.h"
#include "panels/tile_selector.h"
#include "workspace/document.h"

#include <QRgb>

class QLabel;
class QPushButton;

namespace pq {

class ColorButton;
class FramePreview;
class NumberBox;

// The frame selector: a frame from the list (the user's own images join
// it for the rest of the run), the width and colour of the mat between
// picture and frame, and a preview of the framed picture. It reports what
// the user chose through signals and remembers the choice in `stored`.
class FrameSelector : public TileSelector {
    Q_OBJECT
public:
    // `frames` is the repository's list, `picture` the result to frame (null
    // without one). Both the list and `stored` must outlive the panel.
    FrameSelector(std::vector<NamedImage>& frames, Document::FrameChoice& stored, const gfx::Image& picture,
                  QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(753, 529); }

    static constexpr int kMaxMargin = 2500;
    static constexpr int kBrushstrokeBrushSize = 40;

    void loadTiles() override;
    void selectTile(int index) override;
    // The margin as typed so far (else the box's value), within 0..2500.
    int currentMargin() const;
    QRgb marginColor() const;
    // Apply, the brushstroke frame.
    void apply() override;
    void applyBrushstrokeFrame();

    QLabel* marginColorLabel = nullptr;
    ColorButton* marginColorButton = nullptr;
    QLabel* marginSizeLabel = nullptr;
    NumberBox* marginSizeBox = nullptr;
    FramePreview* preview = nullptr;
    QPushButton* brushstrokeButton = nullptr;

signals:
    // Apply with a selected frame: the panel has hidden itself and the
    // backdrop stays until the frame has been put on.
    void frameChosen(const gfx::Image& frame, int margin, QRgb marginColor);
    // The brushstroke frame in the mat colour and width, painted with
    // brushes of that size; a close request follows.
    void brushstrokeFrameChosen(QRgb color, int width, int brushSize);

private:
    void storeChoice() override;
    void restoreChoice();
    void refreshPreview() override;

    Document::FrameChoice& stored_;
    gfx::Image picture_;
    // Each tile's frame at full size.
    std::vector<gfx::Image> tileFrames_;
    int matTile_ = -1;
};

} // namespace pq
