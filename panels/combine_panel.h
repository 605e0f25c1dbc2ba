#pragma once

#include "gfx/image.h"
#include "gfx/image_combine.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;

namespace pq {

class BlendView;

// The combine panel: a second image laid over the result at an amount and
// in one of four modes, inspected in a pannable, zoomable view. It reports
// the blended picture through applied (once) and a cancel through
// cancelled; the window commits and closes it.
class CombinePanel : public QWidget {
    Q_OBJECT
public:
    explicit CombinePanel(QWidget* parent = nullptr);

    // The base (the result at opening) and the image laid over it: amount
    // 50 %, mode "Normal".
    void setImages(const gfx::Image& base, const gfx::Image& blend);

    float blendAmount() const { return amount_; }
    gfx::CombineMode blendMode() const { return mode_; }
    // Apply: the blended picture goes out through applied; nothing when it
    // cannot be made.
    void apply();
    void cancel();

    QSize sizeHint() const override { return QSize(1200, 816); }
    QSize minimumSizeHint() const override { return QSize(640, 480); }

    // How long after a change of the slider the amount follows it: at
    // first, and after the slider has been dragged.
    static constexpr int kFirstAmountDelayMs = 1000;
    static constexpr int kDraggedAmountDelayMs = 250;

    QLabel* titleLabel = nullptr;
    BlendView* view = nullptr;
    QFrame* controlArea = nullptr;
    QLabel* blendAmountLabel = nullptr;
    QSlider* blendAmountSlider = nullptr;
    QLabel* amountLabel = nullptr;
    QLabel* blendModeLabel = nullptr;
    QComboBox* blendModeBox = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* applyButton = nullptr;
    // A child of the panel, as its other timers are.
    QTimer amountTimer;

signals:
    void applied(const gfx::Image& result);
    void cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshView();

    float amount_ = 0.5f;
    gfx::CombineMode mode_ = gfx::CombineMode::Normal;
    bool finished_ = false;
    QImage viewShadow_;
    QSize viewShadowSize_;
};

} // namespace pq
