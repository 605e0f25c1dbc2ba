#pragma once

#include "gfx/image.h"

#include <QRgb>

#include <functional>
#include <memory>

namespace pq {

// The brushstroke frame as a workspace command: frames the current result
// with painted bands and the source photo with the plain border (both get
// the same size), on a thread of its own, and makes the framed pair the
// document with one history entry. It holds the busy state as effect 900
// ("Brushstrokes Frame") from the start until the hand-back, so full runs
// are refused meanwhile and it is refused while one runs. It cannot be
// cancelled. The document is the installed EngineHost. Every member is
// called on the UI thread.
class BrushstrokesFrameCommand {
public:
    // What the engine host cannot do itself: replace the source photo,
    // and fit the view to the framed picture (optional).
    struct Hooks {
        std::function<void(const gfx::Image&)> setSourceImage;
        std::function<void()> fitView;
    };
    explicit BrushstrokesFrameCommand(Hooks hooks);
    // A frame still on its way ends the busy state but is not committed.
    ~BrushstrokesFrameCommand();
    BrushstrokesFrameCommand(const BrushstrokesFrameCommand&) = delete;
    BrushstrokesFrameCommand& operator=(const BrushstrokesFrameCommand&) = delete;

    enum class Outcome {
        Started,
        NoImage,    // nothing to frame: nothing happens
        Busy,       // "Please wait for ..." shown
        TooLarge,   // the framed size exceeds the image-size cap (shown)
        NotStarted, // no thread could be started (logged)
    };
    // `color` is unpremultiplied ARGB; `width` the border width in pixels.
    Outcome run(QRgb color, int width, int brushSize);

    // Frame threads still alive, of every command. The window serves UI
    // calls until this is 0 before it frees what the hand-back uses.
    static int workerCount();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace pq
