#pragma once

#include <QPointer>
#include <QRgb>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QAbstractAnimation;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;

namespace pq {

class ContourColorWindow;
class Document;
class IconButton;
class ToggleSwitch;
struct UserDialogs;

// The selected effect's settings below the preview pane: the five sliders
// with their captions under "PARAMETERS" (with the parameter file's load
// and save icons), "Draw shape contours" for the mosaics, "Apply effect",
// the switches "Erase background" and "Add texture", and the boxes shown
// only for the effects they concern (custom brushes, the LUT choice).
class EffectPanel : public QWidget {
    Q_OBJECT
public:
    EffectPanel(Document& document, const UserDialogs& dialogs, QWidget* parent = nullptr);
    ~EffectPanel() override;

    // Makes `number` the selected effect and shows its settings; "LUTs"
    // with no table chosen takes the first built-in one.
    void selectEffect(int number);
    // Shows the selected effect's captions, values and option boxes.
    void showSelectedEffect();

    // The five slider values; false while the user holds a slider.
    bool readSliders(std::array<int, 5>& values) const;
    std::array<int, 5> sliderValues() const;
    // Double-click resets: the whole effect, or slider k (1..5).
    void resetEffectSliders();
    void resetSlider(int k);
    // Runs the selected effect on the whole picture.
    void applyEffect();

    // The parameter file: the load and save icons, and the work behind them.
    void chooseParametersToLoad();
    void chooseParametersToSave();
    // Throws std::runtime_error with the reason when the file could not be
    // read or written whole.
    void loadParameters(const QString& fileName);
    void saveParameters(const QString& fileName);
    // The clean-up tick: the file icons fade a while after the mouse left.
    void cleanUpTick();

    // The switches and boxes.
    void toggleEraseBackground();
    void toggleContours();
    // "Load custom brushes": the chosen pictures become the selected
    // effect's sheet, unless none of them gives a brush it can paint with;
    // then a message says why and nothing changes.
    void loadCustomBrushes();
    void resetCustomBrushes();
    // The floating colour window of the contours, over `host`, left of
    // `alignTo` (the right panel).
    void setContourWindowHost(QWidget* host, QWidget* alignTo);
    void hideContourColorWindow();
    void contourColorChanged();
    QRgb contourPanelColor() const;
    ContourColorWindow* contourColorWindow() const { return contourWindow_; }
    // Where the "Add texture" caption comes from (the tool's caption, so
    // that it follows the interface language).
    std::function<QString()> addTextureCaption;

    const std::array<QSlider*, 5>& sliders() const { return sliders_; }
    const std::array<QLabel*, 5>& sliderCaptions() const { return captions_; }
    const std::array<QLabel*, 5>& sliderValueLabels() const { return values_; }
    QPushButton* applyButton() const { return applyButton_; }
    ToggleSwitch* eraseBackgroundSwitch() const { return eraseSwitch_; }
    QLabel* eraseBackgroundLabel() const { return eraseLabel_; }
    ToggleSwitch* addTextureSwitch() const { return textureSwitch_; }
    ToggleSwitch* contourSwitch() const { return contourSwitch_; }
    QWidget* contourRow() const { return contourRow_; }
    QFrame* customBrushesBox() const { return brushesBox_; }
    QPushButton* resetBrushesButton() const { return resetBrushesButton_; }
    QFrame* lutBox() const { return lutBox_; }

signals:
    // The settings changed: a preview should follow once the user lets go.
    void previewWanted();
    // The running preview no longer shows the settings: replace it.
    void previewRequested();
    // "Select LUT..." was pressed.
    void lutChooserRequested();
    // The slider captions were set anew (another effect, loaded captions).
    void captionsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildParameters(QWidget* card);
    void buildOptions(QWidget* card);
    void sliderMoved(int k);
    void showEffectOptions();
    void updateBrushButtons();
    void fitBrushButtons();
    void showContourColorWindow();
    void placeContourColorWindow();
    void lightParameterIcons();
    void fadeParameterIcons();

    Document& document_;
    const UserDialogs& dialogs_;

    std::array<QLabel*, 5> captions_{};
    std::array<QLabel*, 5> values_{};
    std::array<QSlider*, 5> sliders_{};
    QLabel* heading_ = nullptr;
    IconButton* loadButton_ = nullptr;
    IconButton* saveButton_ = nullptr;
    QPointer<QAbstractAnimation> loadFade_;
    QPointer<QAbstractAnimation> saveFade_;
    int fadeCountdown_ = 0;
    QWidget* contourRow_ = nullptr;
    ToggleSwitch* contourSwitch_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    ToggleSwitch* eraseSwitch_ = nullptr;
    QLabel* eraseLabel_ = nullptr;
    ToggleSwitch* textureSwitch_ = nullptr;
    QLabel* textureLabel_ = nullptr;
    QFrame* brushesBox_ = nullptr;
    QPushButton* loadBrushesButton_ = nullptr;
    QPushButton* resetBrushesButton_ = nullptr;
    QFrame* lutBox_ = nullptr;

    ContourColorWindow* contourWindow_ = nullptr;
    QWidget* contourHost_ = nullptr;
    QWidget* contourAlignTo_ = nullptr;
    QTimer contourPoll_;
};

} // namespace pq
