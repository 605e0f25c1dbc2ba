#pragma once

#include <QString>

class QWidget;

namespace pq {
class MainWindow;
}

namespace pqpanel {

// What went wrong with an action: one line for the user; the tool exits 2.
struct ActionError {
    QString message;
};

// Runs the actions of the command line on the window, each as a user would
// do it. Every failure throws ActionError.
class PanelDriver {
public:
    explicit PanelDriver(pq::MainWindow& window) : window_(window) {}

    // Serves queued calls, timers and workers until nothing is pending, 20 s
    // at most.
    void settle();

    // The control of that object name: in the open panel first, then
    // anywhere in the program's windows.
    QWidget* control(const QString& name) const;

    void set(const QString& name, const QString& value);
    void type(const QString& name, const QString& text);
    void key(const QString& keys);
    void click(const QString& name);
    void grab(const QString& name, const QString& file);
    void writeResult(const QString& file);
    // The open panel's load command with these files in place of its dialog.
    void load(const QStringList& files);
    // The first tile or list item with that text, chosen as a click would.
    void select(const QString& text);
    // The manual brush's actions: an effect with its five slider values,
    // the view's zoom, and one stroke "X0,Y0,X1,Y1" in image points.
    void selectEffect(const QStringList& numbers);
    void zoom(const QString& value);
    void stroke(const QString& points);

private:
    QWidget* keyTarget() const;
    bool pending() const;

    pq::MainWindow& window_;
};

} // namespace pqpanel
