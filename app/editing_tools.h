#pragma once

#include <QObject>

class QWidget;

namespace pq {

struct BoxKeys;
class CanvasArea;
class CommandTable;
class CropTool;
class Document;
class EditActions;
class PanelHost;
class PreviewPanel;
class TextTool;

// The image edits of the left panel and the Edit menu: copy and paste,
// rotation, crop and the text tool. Owns their parts and gives the command
// table and the Enter and Esc keys their handlers.
class EditingTools : public QObject {
    Q_OBJECT
public:
    EditingTools(Document& document, CanvasArea& canvas, PreviewPanel& preview, PanelHost& panels,
                 QWidget* windowParent, QObject* parent = nullptr);

    void wire(CommandTable& commands, BoxKeys& keys);
    // A full reset: crop and text end without a change.
    void closeAll();

    EditActions& edits() const { return *edits_; }
    CropTool& crop() const { return *crop_; }
    TextTool& text() const { return *text_; }

private:
    Document& document_;
    EditActions* edits_;
    CropTool* crop_;
    TextTool* text_;
};

} // namespace pq
