#pragma once

#include "gfx/image.h"

#include <QObject>
#include <QRgb>

#include <functional>

namespace pq {

class CanvasArea;
class Document;
class FrameComposition;
class PanelHost;
struct UserDialogs;

// The frame and texture selectors: opening them over the backdrop, and
// what their choices do to the document (a frame put around it, a texture
// pressed into the result).
class SelectorPanels : public QObject {
    Q_OBJECT
public:
    SelectorPanels(Document& document, const UserDialogs& dialogs, PanelHost& panels, CanvasArea& canvas,
                   QObject* parent = nullptr);

    // True while work runs whose end would replace the document's images:
    // the openers refuse then.
    std::function<bool()> busy;

    // "Add a frame" and "Add texture": not while an effect runs, busy or a
    // panel is open, and only with a result and a source photo.
    void showFrameSelector();
    void showTextureSelector();

    // The frame panel's choice: the frame becomes the repository's current
    // frame, and the composition starts once the panel's handler has
    // returned.
    void frameChosen(const gfx::Image& frame, int margin, QRgb marginColor);
    // The texture pressed once into the result, with one history step.
    void applyTexture(const gfx::Image& texture, int strength, float scale);

    FrameComposition& frameComposition() const { return *composition_; }

signals:
    // The frame panel's brushstroke frame: colour, width and brush size
    // for the workspace's brushstroke frame operation.
    void brushstrokeFrameRequested(QRgb color, int width, int brushSize);

private:
    bool mayOpen() const;

    Document& document_;
    const UserDialogs& dialogs_;
    PanelHost& panels_;
    CanvasArea& canvas_;
    FrameComposition* composition_;
};

} // namespace pq
