#pragma once

#include "engine/repository/image_repository.h"
#include "gfx/image.h"
#include "workspace/document.h"

#include <QRgb>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;

namespace pq {

class ColorButton;
class FramePreview;
class NumberBox;
class PanelCloseButton;
class TileGrid;

// The frame selector: a frame from the list (the user's own images join
// it for the rest of the run), the width and colour of the mat between
// picture and frame, and a preview of the framed picture. It reports what
// the user chose through signals and remembers the choice in `stored`.
class FrameSelector : public QWidget {
    Q_OBJECT
public:
    // `frames` is the repository's list, `picture` the result to frame (null
    // without one). Both the list and `stored` must outlive the panel.
    FrameSelector(std::vector<NamedImage>& frames, Document::FrameChoice& stored, const gfx::Image& picture,
                  QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(753, 529); }

    static constexpr int kMaxMargin = 2500;
    static constexpr int kTypingDelayMs = 500;
    static constexpr int kBrushstrokeBrushSize = 40;

    // Rebuilds the tiles from the list, then restores the stored choice.
    void loadFrames();
    void selectTile(int index);
    // The margin as typed so far (else the box's value), within 0..2500.
    int currentMargin() const;
    QRgb marginColor() const;
    // Apply, Cancel (also the close button and Esc), the brushstroke frame.
    void apply();
    void cancel();
    void applyBrushstrokeFrame();
    // "Load custom frame" with these files in place of the dialog (the
    // first one is taken).
    void loadCustomFrame(const QStringList& files);

    // The open dialog; tests replace it. Empty when cancelled.
    std::function<QString()> getOpenFileName;
    // A message for the user.
    std::function<void(const QString&)> tell;

    TileGrid* tiles = nullptr;
    QLabel* titleLabel = nullptr;
    QLabel* marginColorLabel = nullptr;
    ColorButton* marginColorButton = nullptr;
    QLabel* marginSizeLabel = nullptr;
    NumberBox* marginSizeBox = nullptr;
    FramePreview* preview = nullptr;
    QPushButton* loadCustomButton = nullptr;
    QPushButton* brushstrokeButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* applyButton = nullptr;
    PanelCloseButton* closeButton = nullptr;

signals:
    // Apply with a selected frame: the panel has hidden itself and the
    // backdrop stays until the frame has been put on.
    void frameChosen(const gfx::Image& frame, int margin, QRgb marginColor);
    // The brushstroke frame in the mat colour and width, painted with
    // brushes of that size; a close request follows.
    void brushstrokeFrameChosen(QRgb color, int width, int brushSize);
    // The overlay is to close.
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void storeChoice();
    void restoreChoice();
    void refreshPreview();

    std::vector<NamedImage>& frames_;
    Document::FrameChoice& stored_;
    gfx::Image picture_;
    // Each tile's frame at full size.
    std::vector<gfx::Image> tileFrames_;
    int matTile_ = -1;
    QTimer previewTimer_;
    bool finished_ = false;
};

} // namespace pq
