#pragma once

#include "gfx/image.h"

#include <QObject>

#include <functional>

namespace pq {

class CanvasArea;
class Document;
class PanelHost;
struct UserDialogs;

// The panels that change the document's images: resize and combine. Opens
// them through the panel host and commits what they report.
class DocumentPanels : public QObject {
    Q_OBJECT
public:
    DocumentPanels(Document& document, const UserDialogs& dialogs, PanelHost& panels, CanvasArea& canvas,
                   QObject* parent = nullptr);

    // True while work runs whose end would replace the document's images
    // (an effect, a script, a frame or brush worker, a brush stroke, an
    // enhancement): the openers refuse then.
    std::function<bool()> busy;

    // The resize panel for the source photo's size; nothing without a
    // source photo, while busy or while a panel is open.
    void showResizePanel();
    // Closes the panel and scales both images to the size. A size that
    // cannot be allocated is reported; a size that is not positive changes
    // nothing. Runs queued after the panel's OK.
    void resizeDocument(int width, int height);

    // The combine panel over the result with `blend` laid over it. Without a
    // result or a blend image it says so; nothing while busy or while a
    // panel is open.
    void showCombinePanel(const gfx::Image& blend);
    // The blended picture becomes the result, with one history step, and
    // the panel closes. Runs queued after the panel's Apply.
    void commitBlend(const gfx::Image& result);

private:
    Document& document_;
    const UserDialogs& dialogs_;
    PanelHost& panels_;
    CanvasArea& canvas_;
};

} // namespace pq
