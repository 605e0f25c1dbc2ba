#pragma once

#include "scripting/script_reference.h"

#include <QFrame>

class QPlainTextEdit;
class QPushButton;
class QSyntaxHighlighter;

namespace pq {

// The script reference over the editor: the reference text with its quick
// index, read-only, coloured by line role for the theme; a click on an
// index name brings its entry to the top of the view; a round button
// scrolls back to the top once the text has scrolled.
class ScriptReferencePanel : public QFrame {
    Q_OBJECT
public:
    explicit ScriptReferencePanel(QWidget* parent = nullptr);

    // Fills the text once, on first showing.
    void prepare();
    bool prepared() const { return prepared_; }
    // Panel fill and text colours for the current theme.
    void applyTheme();

    // Brings line `target` to the top of the view; nothing for a line
    // outside the text.
    void jumpToLine(int target);
    // The index entry under a viewport point; null when none.
    const HelpIndexHotspot* hotspotAt(const QPoint& viewportPos) const;
    // A click on the named index entry (as the user's click does).
    bool clickIndexEntry(const QString& name);
    // The line shown at the top of the view.
    int topLine() const;

    const HelpText& help() const { return help_; }
    QPlainTextEdit* text() const { return text_; }
    QPushButton* scrollTopButton() const { return scrollTop_; }
    QPushButton* closeButton() const { return close_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScrollTopButton();

    HelpText help_;
    bool prepared_ = false;
    QPlainTextEdit* text_ = nullptr;
    QSyntaxHighlighter* highlighter_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* scrollTop_ = nullptr;
};

} // namespace pq
