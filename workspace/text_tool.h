#pragma once

#include "workspace/text_settings.h"

#include <QObject>
#include <QPointF>

#include <functional>

namespace pq {

class CanvasArea;
class Document;
class TextBoxOverlay;
class TextWindow;

// The "Add text" tool: the text window, the text previewed on the canvas in
// a dashed box that moves and resizes by its corners, and the commit that
// draws the text into the result (as a document edit).
class TextTool : public QObject {
    Q_OBJECT
public:
    TextTool(Document& document, CanvasArea& canvas, QWidget* windowParent, QObject* parent = nullptr);

    // Opens the window, or closes it as Cancel does when it is open.
    void toggleWindow();
    bool windowOpen() const;
    bool isActive() const { return active_; }
    // Draws the text into the result and ends the tool; the window is
    // closed by the caller.
    void commit();
    // Ends the tool and hides the window; nothing is drawn.
    void cancel();
    // "Apply text": commits and hides the window.
    void apply();

    TextSettings& settings() { return settings_; }
    const TextSettings& settings() const { return settings_; }
    TextWindow* window() const { return window_; }

    // Canvas mouse handling; true when the text box took the event.
    bool mousePressed(QPointF pos);
    bool mouseMoved(Qt::MouseButtons buttons, QPointF pos);
    bool mouseReleased();

    // Hides the script editor before the window opens.
    std::function<void()> beforeOpen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectWindow();
    void textChanged(const QString& text);
    void activate();
    void redraw();
    void syncSizeBox();

    Document& document_;
    CanvasArea& canvas_;
    TextWindow* window_;
    QWidget* const view_;
    TextBoxOverlay* overlay_;
    TextSettings settings_;
    bool active_ = false;
    bool dragging_ = false;
    QPointF dragOffset_;
    TextResize resize_;
};

} // namespace pq
