#pragma once

#include <QObject>

#include <functional>

namespace pq {

class CanvasArea;
class CropSelection;
class CropToolbar;
class Document;
class SizePill;

// Crop mode: the selection over the canvas, its toolbar and size pill.
// Starting fits the whole image into view and selects it; Apply cuts both
// images to the selection (as a document edit); Cancel leaves them.
class CropTool : public QObject {
    Q_OBJECT
public:
    CropTool(Document& document, CanvasArea& canvas, QObject* parent = nullptr);

    bool isOn() const { return on_; }
    // Starts crop mode, or cancels it when it is on.
    void toggle();
    void start();
    // Cuts the document to the selection and ends crop mode; a selection
    // off the image changes nothing and crop mode stays on.
    void apply();
    void cancel();

    // Hides the script editor before the crop starts.
    std::function<void()> beforeStart;

    CropSelection* selection() const { return selection_; }
    CropToolbar* toolbar() const { return toolbar_; }
    SizePill* sizePill() const { return pill_; }

private:
    void placeToolbar();
    void updateSizePill(bool visible);
    void end();

    Document& document_;
    CanvasArea& canvas_;
    CropSelection* selection_;
    CropToolbar* toolbar_;
    SizePill* pill_;
    bool on_ = false;
};

} // namespace pq
