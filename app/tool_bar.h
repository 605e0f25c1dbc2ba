#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

namespace pq {

class CommandTable;
class IconButton;

// The main bar: the menu button and logo, the file, history, clipboard and
// split-view buttons, the zoom read-out with its buttons, help, donation
// and quit. Each button runs a command of the table.
class ToolBar : public QWidget {
    Q_OBJECT
public:
    ToolBar(const CommandTable& commands, QWidget* parent);

    void setZoomText(const QString& text);
    // The split view's on-mark and the button's hint, in the interface
    // language.
    void showSplitView(bool on);
    // A language switch gave the controls their recorded texts back: the
    // zoom read-out and the split hint show the view's state again.
    void showViewState();
    // The logo in the theme's text colour.
    void updateLogo();

    IconButton* button(const QString& command) const;
    IconButton* menuButton() const { return menuButton_; }
    QLabel* zoomLabel() const { return zoomLabel_; }
    QWidget* splitViewMark() const { return splitMark_; }

signals:
    void logoClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    IconButton* addButton(const char* command, const char* icon, const QString& hint);
    void repeatWhileHeld(IconButton* button, QTimer& timer, const char* command);

    const CommandTable& commands_;
    QMap<QString, IconButton*> buttons_;
    IconButton* menuButton_ = nullptr;
    QLabel* logo_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    QWidget* splitMark_ = nullptr;
    QString zoomText_ = QStringLiteral("100%");
    bool splitOn_ = false;
    QTimer zoomInRepeat_;
    QTimer zoomOutRepeat_;
};

} // namespace pq
