#pragma once

#include "panels/brush_mask.h"

#include <QPointer>
#include <QPointF>
#include <QWidget>

#include <functional>

class QLabel;
class QSlider;

namespace pq {

class BrushCanvas;
class PanelCloseButton;

// The manual brush: a small draggable control box (size, softness,
// opacity, close) in the window, and the brush canvas it lays over the main
// canvas. Holds the mask and whether a stroke is being applied. Reports
// through signals and never frees itself; freeing the panel removes its
// canvas too.
class BrushPanel : public QWidget {
    Q_OBJECT
public:
    // `mainCanvas`: the main view's widget, which the brush canvas covers;
    // `parent`: the window area the control box lives in.
    BrushPanel(QWidget* mainCanvas, QWidget* parent);
    ~BrushPanel() override;

    static constexpr int kBoxWidth = 300;
    static constexpr int kBoxHeight = 158;

    BrushCanvas* canvas() const { return canvas_; }
    BrushMask& mask() { return mask_; }

    // Binds the panel to an image of that size: empty mask, the view, the
    // control box's remembered position ((0, 0): not placed yet).
    void initialize(QSize imageSize, const BrushView& view, QPointF controlsPos);
    // Empties the mask and the live stroke and ends the applying state.
    void resetMask();
    // Puts the control box at its position, or 20 pixels from the bottom
    // left of the window area when it has none.
    void repositionControls();
    void updatePan(const BrushView& view);

    bool applying() const { return applying_; }
    void setApplying(bool on);

    // Slider values: size 0..500 screen pixels, softness and opacity 0..100.
    void setSliders(int size, int softness, int opacity);
    int sizeValue() const;
    int softnessValue() const;
    int opacityValue() const;
    QPointF controlsPos() const { return controlsPos_; }
    bool draggingControls() const { return dragging_; }

    // Called as the panel goes, with its slider values and box position
    // still readable.
    std::function<void(const BrushPanel&)> closing;

signals:
    // A stroke was released and merged; the panel is now applying it.
    void strokeReleased();
    void closeClicked();
    void applyingChanged(bool applying);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildStamp();
    void setBoxOpacity(double opacity);

    BrushMask mask_;
    QPointer<BrushCanvas> canvas_;
    QSlider* sizeSlider_ = nullptr;
    QSlider* softnessSlider_ = nullptr;
    QSlider* opacitySlider_ = nullptr;
    PanelCloseButton* closeButton_ = nullptr;
    QPointF controlsPos_;
    bool applying_ = false;
    bool dragging_ = false;
    QPointF dragStartBox_;
    QPointF dragStartMouse_;
};

} // namespace pq
