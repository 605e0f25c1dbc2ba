#pragma once

#include "panels/resize_model.h"

#include <QTimer>
#include <QWidget>

#include <array>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pq {

class NumberBox;
class PanelCloseButton;

// The resize panel: the new size of the document in pixels or in per cent
// of the current size, with an aspect-ratio lock. It reports numbers only:
// confirmed with the size on OK (or Enter), cancelled on Cancel, the close
// button or Esc; each at most once.
class ResizePanel : public QWidget {
    Q_OBJECT
public:
    explicit ResizePanel(QWidget* parent = nullptr);
    ~ResizePanel() override;

    // The size the percentages refer to, shown at 100 %.
    void setInitialSize(int width, int height);
    // Focuses the width-percent box and selects its text once it shows.
    void focusPercentBox();

    const ResizeModel& model() const { return model_; }
    QSize sizeHint() const override { return QSize(342, 189); }

    // Typing is read this long after the last key release.
    static constexpr int kTypingDelayMs = 120;

    QLabel* widthLabel = nullptr;
    QLabel* heightLabel = nullptr;
    NumberBox* widthBox = nullptr;
    NumberBox* heightBox = nullptr;
    NumberBox* widthPercentBox = nullptr;
    NumberBox* heightPercentBox = nullptr;
    QCheckBox* lockAspectRatioBox = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* okButton = nullptr;
    PanelCloseButton* closeButton = nullptr;

signals:
    void confirmed(int width, int height);
    void cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void boxChanged(NumberBox* box, double value);
    void readTypedText();
    // Shows the model's values in every box but `except`.
    void showValues(const NumberBox* except = nullptr);
    NumberBox* boxOf(const QObject* object) const;
    ResizeModel::Box which(const NumberBox* box) const;
    bool handleKey(int key, Qt::KeyboardModifiers modifiers);
    void moveFocus(bool forward);
    void confirm();
    void cancel();

    ResizeModel model_;
    QTimer typingTimer_;
    NumberBox* lastEditedBox_ = nullptr;
    std::array<QWidget*, 7> tabControls_{};
    bool updating_ = false;
    bool finished_ = false;
};

} // namespace pq
