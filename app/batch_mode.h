#pragma once

#include "app/batch_panels.h"
#include "scripting/batch_controller.h"
#include "scripting/batch_script_choice.h"
#include "scripting/script_library.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

namespace pq {

class DocumentActions;
class DocumentScripts;
class EffectPanel;
class PreviewPanel;
class Document;
struct UserDialogs;

// The window's batch: the start panel, the progress overlay and the ports
// through which the controller loads, processes and saves. Decoding and
// encoding run on workers, so the overlay stays live; no preview runs and
// no editor script starts while a batch runs.
class BatchMode : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& window;
        Document& document;
        const UserDialogs& dialogs;
        DocumentActions& actions;
        DocumentScripts& scripts;
        EffectPanel& effects;
        PreviewPanel& preview;
    };
    explicit BatchMode(Parts parts);
    ~BatchMode() override;

    // The batch command (Ctrl+B).
    void open();
    // The start panel's buttons and script choice.
    void startBatch();
    void closeStartPanel();
    void loadScriptFile();
    void chooseBuiltInScript(int index);
    // The overlay's "Cancel batch".
    void cancelBatch();

    bool running() const { return controller_.running(); }
    BatchController& controller() { return controller_; }
    BatchStartPanel* startPanel() const { return startPanel_; }
    BatchOverlay* overlay() const { return overlay_; }
    const BatchScriptChoice& scriptChoice() const { return choice_; }
    const QStringList& files() const { return files_; }

    // The script file dialog; tests replace it.
    std::function<QString()> chooseScriptFile;
    // A batch starts (true) or ends: the editor's cube rests meanwhile.
    std::function<void(bool running)> runningChanged;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BatchPorts makePorts();
    void createControls();
    void fillScriptCombo();
    void applyChoice(const BatchScriptChoice& choice);
    void load(const QString& file, std::function<void(const QString&)> done);
    void startStep();
    void save(const QString& output, std::function<void(const QString&)> done);
    // Runs `fn` on the UI thread later, unless the batch has gone.
    void later(std::function<void()> fn);

    Parts parts_;
    BatchController controller_;
    QPointer<BatchStartPanel> startPanel_;
    QPointer<BatchOverlay> overlay_;
    QStringList files_;
    BatchScriptChoice choice_;
    std::vector<ScriptEntry> builtIn_;
    bool startingStep_ = false;
    // The preview gate found here, put back when the batch goes.
    std::function<bool()> previewGate_;
    // Workers hold a weak reference: their hand-back is dropped once the
    // batch has gone.
    std::shared_ptr<BatchMode*> self_;
};

} // namespace pq
