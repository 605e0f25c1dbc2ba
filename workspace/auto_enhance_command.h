#pragma once

#include <functional>
#include <memory>

namespace pq {

// The main window's "Auto-enhance" command without its controls: enhances
// the source photo (AutoEnhanceImage) on a thread of its own and makes the
// result the new resultImage with a history step; the source stays as it is.
// The document is the installed EngineHost. Other commands and effects stay
// possible meanwhile; when two enhancements run, the later hand-back wins.
// A result whose document changed meanwhile (another source photo, or none)
// is dropped. Every member is called on the UI thread.
class AutoEnhanceCommand {
public:
    // showBusy(true) shows the wait cursor and disables enhanceButton;
    // showBusy(false), once no enhancement is left, undoes both.
    explicit AutoEnhanceCommand(std::function<void(bool busy)> showBusy = {});
    // Results still on their way are dropped when they arrive.
    ~AutoEnhanceCommand();
    AutoEnhanceCommand(const AutoEnhanceCommand&) = delete;
    AutoEnhanceCommand& operator=(const AutoEnhanceCommand&) = delete;

    enum class Outcome {
        Started,
        NoImage,       // "no image loaded" shown
        EffectRunning, // "effect running" shown
        NotStarted,    // no thread could be started (logged)
    };
    // autoEnhance.
    Outcome run();

    // Enhancements started by this command and not yet handed back.
    int pending() const;

    // Enhancement threads still alive, of every command. The window serves
    // UI calls until this is 0 before it frees what the hand-back uses.
    static int workerCount();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace pq
