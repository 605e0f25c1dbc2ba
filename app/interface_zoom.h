#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

namespace pq {

class ZoomWindow;

// The interface zoom, 50 to 150 %: the main window and the script editor
// are laid out anew at Round(96 x zoom) / 96 pixels per design unit, the
// window's minimum size follows the work area, and the "Interface size"
// window chooses the zoom and keeps it in the setting "uizoom".
class InterfaceZoom : public QObject {
public:
    // `window` is the main window, `host` the widget the zoom window opens
    // over.
    InterfaceZoom(QWidget& window, QWidget& host);

    float zoom() const { return zoom_; }
    int percent() const;
    // The zoom without applying or saving it (the first show).
    void setZoom(float zoom);
    // Brings a window (the main window for null) to the scale of the zoom;
    // true when it was laid out anew.
    bool updateScale(QWidget* form = nullptr);
    // Sets and applies a zoom, saving it when asked.
    void apply(float zoom, bool save);
    // The window's minimum size for the work area of its display.
    void updateMinimumSize();
    // The menu entry's caption: "Interface size: 90%".
    QString caption() const;

    // The menu entry and the key Z.
    void menuClick();
    void showWindow();
    void okClicked();
    void closeClicked();
    ZoomWindow* window() const;
    bool windowOpen() const;

    // Scales a panel as it is placed into `host` (the overlay panels).
    void watchForPanels(QWidget* host);

    // Hooks the window fills.
    std::function<void(const QString& caption)> captionChanged;
    std::function<QWidget*()> scriptEditor;
    std::function<bool()> menuVisible;
    std::function<void()> closeMenu;
    // Around a rescale: parts that hold measured geometry step aside and
    // come back laid out at the new scale.
    std::function<void()> beforeRescale;
    std::function<void()> afterRescale;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& mainWindow_;
    QWidget& host_;
    QPointer<ZoomWindow> window_;
    QPointer<QWidget> panelHost_;
    float zoom_ = 1.0f;
    int percentAtOpen_ = 100;
    QString settingAtOpen_;
};

} // namespace pq
