#pragma once

#include <QFrame>
#include <QTimer>

#include <functional>

class QLabel;
class QPushButton;
class QSlider;

namespace pq {

// The small "Interface size" window: a caption with the zoom in per cent,
// a track bar from 50 to 150 in steps of 5, OK and a close cross. Dragging
// changes only the caption; a release, a key or a quiet 150 ms tick
// applies the value.
class ZoomWindow : public QFrame {
    Q_OBJECT
public:
    explicit ZoomWindow(QWidget* parent);

    // Asked to apply a value in per cent.
    std::function<void(int percent)> applyPercent;
    // The per cent in force now.
    std::function<int()> currentPercent;
    // OK and close.
    std::function<void()> okClicked;
    std::function<void()> closeClicked;

    // Shows it centred in its parent with the track bar at `percent`.
    void open(int percent);
    // Applies the track bar's value when it differs from the zoom in force.
    void applyFromTrackBar();
    void centre();
    // Colours of the theme mode.
    void applyThemeColors();

    QSlider* trackBar() const { return trackBar_; }
    QLabel* valueLabel() const { return valueLabel_; }
    QPushButton* okButton() const { return okButton_; }
    QWidget* closeArea() const { return closeArea_; }
    QTimer& applyTimer() { return applyTimer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCaption(int percent);
    void fitCaptionFont();

    QLabel* valueLabel_ = nullptr;
    QSlider* trackBar_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QWidget* closeArea_ = nullptr;
    QLabel* closeCross_ = nullptr;
    QTimer applyTimer_;
};

} // namespace pq
