#pragma once

#include <QObject>
#include <QPointF>
#include <QTimer>

#include <cstdint>
#include <functional>

class QWidget;

namespace pq {

class Document;
class EffectPanel;
class PreviewPane;

// The live preview: the pane with its window of the source (panned by
// dragging, zoomed by the wheel and the pane's buttons), and the timers
// that start a preview once the user has let go of the sliders: 500 ms
// after a change, 1000 ms after the pane's window moved.
class PreviewPanel : public QObject {
    Q_OBJECT
public:
    PreviewPanel(Document& document, EffectPanel& effects, QWidget* paneParent);

    PreviewPane* pane() const { return pane_; }
    QTimer& timer() { return timer_; }
    // True while the manual brush applies a stroke: no preview starts then.
    std::function<bool()> brushApplying;

    // Starts the preview timer unless it runs.
    void schedule();
    // The running preview no longer counts; a new one is scheduled.
    void request();
    // Drops the running preview's pictures and progress.
    void supersede();
    // Shows the untreated source window in the pane.
    void showSource();
    // A new document: 100 %, the window `inset` pixels up and left of the
    // picture's centre, showing the source.
    void showNewDocument(int inset);
    // The pane without a document: its resting picture in the theme's
    // colours.
    void showEmpty();
    void setZoom(float zoom);

    // The preview timer's tick: stores the sliders and starts a preview.
    void timerTick();
    void debounceTick();
    void pressed(QPointF pos);
    void dragged(Qt::MouseButtons buttons, QPointF pos);
    void released();
    void wheel(int delta);

private:
    Document& document_;
    EffectPanel& effects_;
    PreviewPane* pane_;
    QTimer timer_;
    QTimer debounce_;
    QPointF lastPos_;
    uint32_t lastPanTime_ = 0;
};

} // namespace pq
