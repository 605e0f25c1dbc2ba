#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace pq {

// How a batch step ended.
struct BatchStepEnd {
    enum class Outcome { Done, Failed, Cancelled };
    Outcome outcome = Outcome::Done;
    QString message; // why it failed
};

// What a batch does with the world, injected: the window's document and
// dialogs, pq-render's headless host, or a test's fakes. Each asynchronous
// port reports back through its callback or BatchController::stepFinished,
// on the controller's thread, now or later.
struct BatchPorts {
    // Opens the file as the document; done("") after success, else the
    // message the loader shows.
    std::function<void(const QString& file, std::function<void(const QString& error)> done)> load;
    // Processes the document loaded last (the effect or the script); the
    // end comes through stepFinished.
    std::function<void()> startStep;
    // Writes the document's result to the file; done("") after success,
    // else the reason.
    std::function<void(const QString& output, std::function<void(const QString& error)> done)> save;
    // The overlay's text.
    std::function<void(const QString& text)> showProgress;
    // A file left out, told without stopping the batch (the overlay's
    // notice line); the end message lists it again.
    std::function<void(const QString& text)> showNotice;
    // A message box.
    std::function<void(const QString& text)> showMessage;
    // The batch is over (after its end message).
    std::function<void()> finished;
    // The interface language's text of an English key; none: the key.
    std::function<QString(const QString& key)> translate;
};

// The sequence of a batch, without widgets: for each file load, process,
// save, then the next; the overlay's text before each file and the end
// message after the last. A file that fails to load, a step that fails or
// is cancelled and a failed save write nothing and are listed in the end
// message; a load failure is told by a notice, never a message box, so an
// unattended batch goes on. Only cancel() ends the batch early, after the
// current file.
class BatchController {
public:
    explicit BatchController(BatchPorts ports);

    // Starts a batch over the files; false when one runs or there are none.
    bool start(const QStringList& files);
    // "Cancel batch": the current file is finished, then the batch ends.
    void cancel();
    // The running step ended. Ignored when no step runs.
    void stepFinished(const BatchStepEnd& end);

    bool running() const { return running_; }
    // Outputs written so far and the batch's file count.
    int processed() const { return processed_; }
    int fileCount() const { return int(files_.size()); }
    const QStringList& outputs() const { return outputs_; }

    // Fills "%d" and "%s" of a text in order.
    static QString Fill(QString text, const QStringList& values);

private:
    enum class Stage { Idle, Loading, Stepping, Saving };

    QString tr(const char* key) const;
    // Events run one after another, never inside each other.
    void post(std::function<void()> event);
    void beginFile();
    void loaded(const QString& error);
    void stepEnded(const BatchStepEnd& end);
    void saved(const QString& error);
    void skip(const QString& reason);
    void next();
    void finish();
    QString fileName() const;

    BatchPorts ports_;
    QStringList files_;
    QStringList outputs_;
    QStringList failures_;
    int index_ = 0;
    int processed_ = 0;
    bool running_ = false;
    bool cancelRequested_ = false;
    Stage stage_ = Stage::Idle;
    // Tells a port's late answer from the current one.
    unsigned ticket_ = 0;
    std::deque<std::function<void()>> events_;
    bool draining_ = false;
};

} // namespace pq
