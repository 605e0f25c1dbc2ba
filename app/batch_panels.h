#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace pq {

class PanelCloseButton;

// The batch's start panel: the message, "Cancel batch" and "Start batch",
// and the script choice (a file, or a built-in script from the combo).
// Reports through its buttons; the batch wires them.
class BatchStartPanel : public QWidget {
    Q_OBJECT
public:
    explicit BatchStartPanel(QWidget* parent);

    QLabel* messageLabel = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* startButton = nullptr;
    PanelCloseButton* closeButton = nullptr;
    QPushButton* loadScriptButton = nullptr;
    QComboBox* scriptCombo = nullptr;
};

// The progress overlay: half-transparent black over the whole window,
// catching every click, with the progress text, a notice line for the
// last file left out, and "Cancel batch".
class BatchOverlay : public QWidget {
    Q_OBJECT
public:
    explicit BatchOverlay(QWidget* parent);

    QWidget* panel = nullptr;
    QLabel* progressLabel = nullptr;
    QLabel* noticeLabel = nullptr;
    QPushButton* cancelButton = nullptr;

    // The notice line, shortened in the middle to fit; empty clears it.
    void showNotice(const QString& text);
    QString notice() const { return noticeText_; }

    // Covers the parent and centres the panel.
    void fitToParent();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QString noticeText_;
};

} // namespace pq
