#pragma once

#include "ui/theme.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QPropertyAnimation;

namespace pq {

class IconButton;

// The progress bar's fill and its percent label's colour in a theme mode.
// Each reads at 4.5:1 or more against the title strip (the window's frame
// colour) and the label against the bar: dark mode keeps the designed
// white bar at 0.8 with dark text; light mode, whose strip is nearly
// white, takes the dark frame colour with white text.
struct ProgressBarColors {
    QColor bar;
    QColor text;
};
ProgressBarColors TitleProgressColors(ThemeMode mode);

// The window's own title bar: the progress bar of a full run, the theme
// switch and the minimise, maximise and close buttons. Dragging it moves
// the window; a double click maximises or restores it.
class TitleBar : public QWidget {
    Q_OBJECT
public:
    explicit TitleBar(QWidget* parent = nullptr);

    // 0..100 shows a full run's progress; any other value hides the bar.
    // Safe from any thread: off the UI thread the call queues itself.
    void updateProgressBar(int value);
    // While it answers true the bar ignores every value (scripts report
    // their progress elsewhere).
    std::function<bool()> ignoreProgress;

    // The maximise button's look and whether dragging moves the window.
    void setMaximized(bool maximized);
    // Shows the icon of the other theme mode.
    void updateThemeIcons();
    // The progress bar and its label in the colours of the theme mode.
    void updateProgressColors();

    QWidget* progressBar() const { return progressBar_; }
    QLabel* progressLabel() const { return progressLabel_; }
    // The line of passing notices in the middle of the bar.
    QLabel* statusLine() const { return statusLine_; }
    // The value the bar shows; -1 while it is hidden.
    int shownProgress() const { return shownValue_; }
    IconButton* lightThemeButton() const { return lightButton_; }
    IconButton* darkThemeButton() const { return darkButton_; }
    IconButton* closeButton() const { return closeButton_; }

signals:
    void minimizeClicked();
    void maximizeClicked();
    void closeClicked();
    // A right-button release over the close button.
    void resetRequested();
    void themeToggleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QWidget* progressBar_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QLabel* statusLine_ = nullptr;
    IconButton* lightButton_ = nullptr;
    IconButton* darkButton_ = nullptr;
    IconButton* maximizeButton_ = nullptr;
    IconButton* closeButton_ = nullptr;
    QPointer<QPropertyAnimation> widthAnimation_;
    QPointer<QPropertyAnimation> labelMove_;
    QPointer<QPropertyAnimation> labelFade_;
    int shownValue_ = -1;
    bool maximized_ = false;
};

} // namespace pq
