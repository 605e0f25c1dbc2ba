#include "app/batch_mode.h"

#include "app/batch_panels.h"
#include "app/document_scripts.h"
#include "engine/runtime/effect_runtime.h"
#include "ui/widgets/panel_close_button.h"
#include "gfx/codec.h"
#include "platform/ui_bridge.h"
#include "scripting/script_text.h"
#include "ui/dictionary.h"
#include "workspace/document.h"
#include "workspace/document_actions.h"
#include "workspace/effect_panel.h"
#include "workspace/image_files.h"
#include "workspace/preview_panel.h"
#include "workspace/user_dialogs.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <new>
#include <thread>

namespace pq {
namespace {

BatchStepEnd ScriptStepEnd(const QString& error)
{
    if (error.isEmpty())
        return {};
    if (error == QLatin1String("Cancelled by user"))
        return {BatchStepEnd::Outcome::Cancelled, {}};
    return {BatchStepEnd::Outcome::Failed, error};
}

BatchStepEnd EffectStepEnd(const EffectRunEnd& end)
{
    switch (end.outcome) {
    case EffectRunEnd::Outcome::Done: return {};
    case EffectRunEnd::Outcome::Cancelled: return {BatchStepEnd::Outcome::Cancelled, {}};
    case EffectRunEnd::Outcome::Failed: break;
    }
    return {BatchStepEnd::Outcome::Failed, end.message};
}

void Centre(QWidget* widget)
{
    if (QWidget* owner = widget->parentWidget())
        widget->move((owner->width() - widget->width()) / 2, (owner->height() - widget->height()) / 2);
}

} // namespace

BatchMode::BatchMode(Parts parts)
    : parts_(parts), controller_(makePorts()), self_(std::make_shared<BatchMode*>(this))
{
    // No editor script starts beside a batch; the batch's own steps do.
    parts_.scripts.batchRunning = [this] { return running() && !startingStep_; };
    // No live preview during a batch.
    previewGate_ = parts_.preview.brushApplying;
    parts_.preview.brushApplying = [this, gate = previewGate_] { return running() || (gate && gate()); };
    parts_.window.installEventFilter(this);
}

BatchMode::~BatchMode()
{
    parts_.scripts.batchRunning = nullptr;
    parts_.preview.brushApplying = previewGate_;
}

BatchPorts BatchMode::makePorts()
{
    BatchPorts ports;
    ports.load = [this](const QString& file, std::function<void(const QString&)> done) { load(file, std::move(done)); };
    ports.startStep = [this] { startStep(); };
    ports.save = [this](const QString& output, std::function<void(const QString&)> done) {
        save(output, std::move(done));
    };
    ports.showProgress = [this](const QString& text) {
        if (overlay_)
            overlay_->progressLabel->setText(text);
    };
    ports.showNotice = [this](const QString& text) {
        if (overlay_)
            overlay_->showNotice(text);
    };
    ports.showMessage = [this](const QString& text) { parts_.dialogs.tell(text); };
    ports.finished = [this] {
        if (overlay_)
            overlay_->hide();
        files_.clear();
        if (runningChanged)
            runningChanged(false);
    };
    ports.translate = [](const QString& key) { return Translate(key); };
    return ports;
}

void BatchMode::later(std::function<void()> fn)
{
    QTimer::singleShot(0, this, std::move(fn));
}

bool BatchMode::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &parts_.window && event->type() == QEvent::Resize) {
        if (overlay_ && overlay_->isVisible())
            overlay_->fitToParent();
        if (startPanel_ && startPanel_->isVisible())
            Centre(startPanel_);
    }
    return QObject::eventFilter(watched, event);
}

void BatchMode::createControls()
{
    if (!startPanel_) {
        startPanel_ = new BatchStartPanel(&parts_.window);
        connect(startPanel_->startButton, &QPushButton::clicked, this, [this] { startBatch(); });
        connect(startPanel_->cancelButton, &QPushButton::clicked, this, [this] { closeStartPanel(); });
        connect(startPanel_->closeButton, &QAbstractButton::clicked, this, [this] { closeStartPanel(); });
        connect(startPanel_->loadScriptButton, &QPushButton::clicked, this, [this] { loadScriptFile(); });
        connect(startPanel_->scriptCombo, &QComboBox::activated, this, [this](int index) { chooseBuiltInScript(index); });
        fillScriptCombo();
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(startPanel_);
    }
    if (!overlay_) {
        overlay_ = new BatchOverlay(&parts_.window);
        connect(overlay_->cancelButton, &QPushButton::clicked, this, [this] { cancelBatch(); });
        if (GetCurrentLanguage() != QLatin1String("en"))
            TranslateComponent(overlay_);
    }
}

void BatchMode::fillScriptCombo()
{
    const QSignalBlocker quiet(startPanel_->scriptCombo);
    startPanel_->scriptCombo->clear();
    builtIn_ = LoadBuiltInScripts();
    for (const ScriptEntry& entry : builtIn_)
        startPanel_->scriptCombo->addItem(entry.name);
    startPanel_->scriptCombo->setCurrentIndex(-1);
}

void BatchMode::open()
{
    if (running())
        return;
    const Document& document = parts_.document;
    if (document.isBackgroundWorkRunning()) {
        parts_.dialogs.tell(Translate(QStringLiteral("Please wait for the current effect to finish.")));
        return;
    }
    if (!parts_.dialogs.openFiles)
        return;
    const QStringList files = parts_.dialogs.openFiles(Translate(QStringLiteral("Select images for batch processing")),
                                                       BatchDialogFilter());
    if (files.isEmpty())
        return;
    files_ = files;
    // The first photo, so that the preview works while the user chooses.
    parts_.actions.openImageFile(files_.first());
    createControls();
    choice_ = {};
    {
        const QSignalBlocker quiet(startPanel_->scriptCombo);
        startPanel_->scriptCombo->setCurrentIndex(-1);
    }
    startPanel_->messageLabel->setText(
        Translate(QStringLiteral("To start batch processing, choose the desired effect and parameters and when ready "
                                 "press the 'Start batch' button")));
    Centre(startPanel_);
    startPanel_->show();
    startPanel_->raise();
}

void BatchMode::closeStartPanel()
{
    if (startPanel_)
        startPanel_->hide();
    files_.clear();
}

void BatchMode::startBatch()
{
    if (startPanel_)
        startPanel_->hide();
    if (files_.isEmpty() || running())
        return;
    if (parts_.document.isBackgroundWorkRunning()) {
        parts_.dialogs.tell(Translate(QStringLiteral("Please wait for the current effect to finish.")));
        return;
    }
    createControls();
    overlay_->showNotice({});
    overlay_->fitToParent();
    overlay_->show();
    overlay_->raise();
    // The preview running for the start panel goes.
    parts_.preview.supersede();
    if (runningChanged)
        runningChanged(true);
    controller_.start(files_);
}

void BatchMode::cancelBatch()
{
    controller_.cancel();
}

void BatchMode::applyChoice(const BatchScriptChoice& choice)
{
    if (!choice.chosen) {
        choice_ = {};
        parts_.dialogs.tell(choice.message);
        return;
    }
    choice_ = choice;
    if (startPanel_)
        startPanel_->messageLabel->setText(choice.message);
}

void BatchMode::loadScriptFile()
{
    const QString path =
        chooseScriptFile ? chooseScriptFile()
                         : QFileDialog::getOpenFileName(&parts_.window, Translate(QStringLiteral("Select script for batch processing")),
                                                        ScriptFolder(),
                                                        QStringLiteral("Pastelloquin Script (*.pqs);;All files (*)"));
    if (path.isEmpty())
        return;
    QString text, error;
    if (!ReadScriptFile(path, text, &error)) {
        parts_.dialogs.tell(error);
        return;
    }
    applyChoice(ChooseBatchScript(QFileInfo(path).fileName(), text, [](const QString& key) { return Translate(key); }));
}

void BatchMode::chooseBuiltInScript(int index)
{
    if (index < 0 || size_t(index) >= builtIn_.size() || !startPanel_)
        return;
    applyChoice(ChooseBatchScript(startPanel_->scriptCombo->itemText(index), builtIn_[size_t(index)].text,
                                  [](const QString& key) { return Translate(key); }));
}

void BatchMode::load(const QString& file, std::function<void(const QString&)> done)
{
    Document& document = parts_.document;
    document.beginBackgroundWorker();
    const std::weak_ptr<BatchMode*> weak = self_;
    const auto handBack = [weak, file, done, &document](const gfx::Image& image, bool tooLarge) {
        const auto self = weak.lock();
        if (!self) {
            document.endBackgroundWorker();
            return;
        }
        BatchMode& batch = **self;
        QString error;
        if (tooLarge)
            error = Translate(QStringLiteral("Image too large for available memory: ")) + file;
        else if (image.isNull())
            error = Translate(QStringLiteral("Failed to load image: ")) + file;
        if (error.isEmpty()) {
            const QString previousName = document.sourceFileName;
            document.sourceFileName = file;
            if (!batch.parts_.actions.showAsNewDocument(image, 100)) {
                document.sourceFileName = previousName;
                error = Translate(QStringLiteral("Please wait for the current effect to finish."));
            }
        }
        // A close asked for meanwhile ends the batch after this file.
        if (document.closeRequested)
            batch.controller_.cancel();
        // Counted off first, so that the step may start; a deferred close
        // waits for the step.
        document.backgroundWorkers.fetch_sub(1);
        done(error);
        document.honorDeferredClose();
    };
    try {
        std::thread([file, handBack, &document] {
            gfx::Image image;
            bool tooLarge = false;
            try {
                image = gfx::DecodeFile(file);
            } catch (const std::bad_alloc&) {
                tooLarge = true;
            }
            if (!platform::CurrentUiBridge().post([handBack, image, tooLarge] { handBack(image, tooLarge); }))
                document.backgroundWorkers.fetch_sub(1);
        }).detach();
    } catch (...) {
        document.endBackgroundWorker();
        done(Translate(QStringLiteral("Image too large for available memory: ")) + file);
    }
}

void BatchMode::save(const QString& output, std::function<void(const QString&)> done)
{
    Document& document = parts_.document;
    const gfx::Image image = document.resultImage;
    if (image.isNull()) {
        done(QStringLiteral("No image loaded"));
        return;
    }
    document.beginBackgroundWorker();
    const std::weak_ptr<BatchMode*> weak = self_;
    const auto handBack = [weak, done, &document](const QString& error) {
        document.backgroundWorkers.fetch_sub(1);
        if (weak.lock())
            done(error);
        document.honorDeferredClose();
    };
    try {
        std::thread([image, output, handBack, &document] {
            QString error;
            try {
                if (!SaveImageTo(image, output, &error) && error.isEmpty())
                    error = QStringLiteral("cannot write the file");
            } catch (const std::bad_alloc&) {
                error = QStringLiteral("Not enough memory");
            }
            if (!platform::CurrentUiBridge().post([handBack, error] { handBack(error); }))
                document.backgroundWorkers.fetch_sub(1);
        }).detach();
    } catch (...) {
        document.endBackgroundWorker();
        done(QStringLiteral("Not enough memory"));
    }
}

void BatchMode::startStep()
{
    const std::weak_ptr<BatchMode*> weak = self_;
    // The end reaches the controller from the event loop, never from
    // inside the engine's or the runner's hand-back.
    const auto tell = [weak](const BatchStepEnd& end) {
        if (const auto self = weak.lock())
            (*self)->later([weak, end] {
                if (const auto alive = weak.lock())
                    (*alive)->controller_.stepFinished(end);
            });
    };
    if (choice_.runsScript) {
        startingStep_ = true;
        ScriptRunReport report;
        report.finish = [tell](const QString& error) { tell(ScriptStepEnd(error)); };
        parts_.scripts.runner().request(choice_.text, report);
        startingStep_ = false;
        return;
    }
    const int number = parts_.document.selectedEffect;
    if (number < 0) {
        tell({BatchStepEnd::Outcome::Failed, Translate(QStringLiteral("No effect selected"))});
        return;
    }
    const std::array<int, 5> v = parts_.effects.sliderValues();
    ProcessEffect(number, v[0], v[1], v[2], v[3], v[4], [tell](const EffectRunEnd& end) { tell(EffectStepEnd(end)); });
}

} // namespace pq
