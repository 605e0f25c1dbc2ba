#pragma once

#include <QAbstractButton>
#include <QWidget>

namespace pq {

// A 24 x 24 button drawing its own icon: a cross (cancel) or a tick
// (apply).
class CropIconButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Icon { Cancel, Apply };
    CropIconButton(Icon icon, QColor color, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Icon icon_;
    QColor color_;
};

// The small rounded bar over the crop selection with its cancel and apply
// buttons.
class CropToolbar : public QWidget {
    Q_OBJECT
public:
    explicit CropToolbar(QWidget* canvas);

    CropIconButton* cancelButton() const { return cancel_; }
    CropIconButton* applyButton() const { return apply_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CropIconButton* cancel_;
    CropIconButton* apply_;
};

// The rounded read-out of the selection's size in image pixels.
class SizePill : public QWidget {
    Q_OBJECT
public:
    explicit SizePill(QWidget* canvas);

    void setText(const QString& text);
    QString text() const { return text_; }

    static constexpr int kHeight = 36;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace pq
