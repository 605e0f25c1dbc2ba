#pragma once

#include <QWidget>

namespace pq {

class TDocument;

// The main canvas: shows the current result at the document's pan offset,
// scaled by its zoom factor (an image pixel p appears at
// FPanOffset + p * FZoomFactor), inside rounded corners on the workspace
// colour. Draws nothing while there is no result.
class TCanvasView : public QWidget {
    Q_OBJECT
public:
    TCanvasView(TDocument& document, QWidget* parent = nullptr);

    // Fast sampling while a zoom gesture runs.
    bool FZooming = false;
    // The source photo is shown instead of the result (right button held).
    bool FRightPreview = false;
    // Left-button panning in progress.
    bool FIsPanning = false;

    // The displayed image rectangle in canvas coordinates.
    QRectF DisplayedImageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TDocument& document_;
};

} // namespace pq
