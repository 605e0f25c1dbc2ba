#pragma once

#include <QObject>

namespace pq {

class CanvasArea;
class Document;
class PreviewPanel;

// The window's side of the clipboard and the rotations: the document edit,
// then the view.
class EditActions : public QObject {
    Q_OBJECT
public:
    EditActions(Document& document, CanvasArea& canvas, PreviewPanel& preview, QObject* parent = nullptr);

    // The result onto the clipboard, as it is shown.
    void copy() const;
    // The clipboard's image as a new unnamed document shown at 100 %;
    // nothing when the clipboard holds no image or an effect runs.
    bool paste();
    // Both images turned by a quarter, centred at the current zoom.
    bool rotate(bool clockwise);

private:
    Document& document_;
    CanvasArea& canvas_;
    PreviewPanel& preview_;
};

} // namespace pq
