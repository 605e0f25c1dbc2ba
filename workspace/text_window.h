#pragma once

#include <QFrame>
#include <QPointer>
#include <QRgb>
#include <QTimer>

#include <functional>

class QAbstractButton;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QVariantAnimation;

namespace pq {

class ColorPanel;

// The shadow switch: a track with a thumb that slides when clicked.
class ShadowSwitch : public QWidget {
    Q_OBJECT
public:
    explicit ShadowSwitch(QWidget* parent);
    bool isOn() const { return on_; }
    void setOn(bool on, bool animate = true);
    double thumbX() const { return thumbX_; }

signals:
    void toggled(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool on_ = false;
    double thumbX_ = 1;
    QVariantAnimation* slide_;
};

// The floating "Add text" window: the text field, font list, size, style,
// colour and shadow, and the Cancel and "Apply text" buttons. It reports
// through signals; the text tool keeps the settings.
class TextWindow : public QFrame {
    Q_OBJECT
public:
    explicit TextWindow(QWidget* parent);

    QLineEdit* textField() const { return text_; }
    QListWidget* fontList() const { return fonts_; }
    QDoubleSpinBox* sizeBox() const { return size_; }
    ShadowSwitch* shadowSwitch() const { return shadow_; }
    QAbstractButton* boldButton() const { return bold_; }
    QAbstractButton* italicButton() const { return italic_; }
    QWidget* colorPopup() const { return colorPopup_; }
    QWidget* pulseBar() const { return pulseBar_; }
    QAbstractButton* closeButton() const { return close_; }
    ColorPanel* colorPanel() const { return colorPanel_; }
    QRgb textColor() const { return textColor_; }
    // The window's opacity while it is dragged.
    static constexpr double kDragOpacity = 0.75;

    // Fills the font list once; selects `current` when listed.
    void fillFontList(const QStringList& families, const QString& current);
    void selectFont(const QString& family);
    // The field's text colour; the colour panel follows it.
    void setTextColor(QRgb color);
    // The pulse under the colour icon while the window is open.
    void startPulse();

    // Mouse positions for the colour popup's timer (screen coordinates).
    std::function<QPoint()> cursorPos;
    void colorTimerTick();
    QTimer& colorTimer() { return colorTimer_; }

signals:
    void textEdited(const QString& text);
    void fontChosen(const QString& family);
    void sizeChanged(double size);
    void styleChanged(bool bold, bool italic);
    void colorChanged(QRgb color);
    void shadowToggled(bool on);
    void applyClicked();
    void enterPressed();
    void cancelClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildColorPopup();
    // The colour panel's colour becomes the text colour when it differs.
    void takePanelColor();
    void pulseTick();
    void setDragFade(bool faded);

    QLineEdit* text_;
    QListWidget* fonts_;
    QDoubleSpinBox* size_;
    QAbstractButton* bold_;
    QAbstractButton* italic_;
    QAbstractButton* color_;
    QAbstractButton* close_;
    ColorPanel* colorPanel_ = nullptr;
    QRgb textColor_ = 0xBFFFFFFF;
    QWidget* pulseBar_;
    ShadowSwitch* shadow_;
    QWidget* colorPopup_;
    QTimer colorTimer_;
    QTimer pulseTimer_;
    double pulseOpacity_ = 0;
    double pulseTarget_ = 1;
    bool movingWindow_ = false;
    QPoint lastMouse_;
};

} // namespace pq
