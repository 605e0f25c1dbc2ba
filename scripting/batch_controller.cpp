#include "scripting/batch_controller.h"

#include "scripting/batch_naming.h"

#include <QFileInfo>

namespace pq {

BatchController::BatchController(BatchPorts ports) : ports_(std::move(ports)) {}

QString BatchController::Fill(QString text, const QStringList& values)
{
    qsizetype from = 0;
    for (const QString& value : values) {
        qsizetype at = from;
        while (at + 1 < text.size() && !(text[at] == u'%' && (text[at + 1] == u'd' || text[at + 1] == u's')))
            ++at;
        if (at + 1 >= text.size())
            break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

QString BatchController::tr(const char* key) const
{
    const QString english = QString::fromUtf8(key);
    return ports_.translate ? ports_.translate(english) : english;
}

void BatchController::post(std::function<void()> event)
{
    events_.push_back(std::move(event));
    if (draining_)
        return;
    draining_ = true;
    while (!events_.empty()) {
        const std::function<void()> next = std::move(events_.front());
        events_.pop_front();
        next();
    }
    draining_ = false;
}

bool BatchController::start(const QStringList& files)
{
    if (running_ || files.isEmpty())
        return false;
    files_ = files;
    outputs_ = BatchOutputFileNames(files);
    failures_.clear();
    index_ = 0;
    processed_ = 0;
    cancelRequested_ = false;
    running_ = true;
    post([this] { beginFile(); });
    return true;
}

void BatchController::cancel()
{
    if (running_)
        cancelRequested_ = true;
}

void BatchController::stepFinished(const BatchStepEnd& end)
{
    if (stage_ != Stage::Stepping)
        return;
    const unsigned ticket = ticket_;
    post([this, end, ticket] {
        if (ticket == ticket_ && stage_ == Stage::Stepping)
            stepEnded(end);
    });
}

QString BatchController::fileName() const
{
    return QFileInfo(files_[index_]).fileName();
}

void BatchController::beginFile()
{
    if (ports_.showProgress)
        ports_.showProgress(
            Fill(tr("Processing image %d of %d..."), {QString::number(index_ + 1), QString::number(files_.size())}));
    stage_ = Stage::Loading;
    const unsigned ticket = ++ticket_;
    ports_.load(files_[index_], [this, ticket](const QString& error) {
        post([this, ticket, error] {
            if (ticket == ticket_ && stage_ == Stage::Loading)
                loaded(error);
        });
    });
}

void BatchController::loaded(const QString& error)
{
    if (!error.isEmpty()) {
        // The loader's own words, as a notice; the file is skipped.
        if (ports_.showNotice)
            ports_.showNotice(error);
        skip(error);
        return;
    }
    stage_ = Stage::Stepping;
    ++ticket_;
    ports_.startStep();
}

void BatchController::stepEnded(const BatchStepEnd& end)
{
    switch (end.outcome) {
    case BatchStepEnd::Outcome::Done:
        break;
    case BatchStepEnd::Outcome::Cancelled:
        skip(tr("Cancelled by user"));
        return;
    case BatchStepEnd::Outcome::Failed:
        skip(end.message);
        return;
    }
    stage_ = Stage::Saving;
    const unsigned ticket = ++ticket_;
    ports_.save(outputs_[index_], [this, ticket](const QString& error) {
        post([this, ticket, error] {
            if (ticket == ticket_ && stage_ == Stage::Saving)
                saved(error);
        });
    });
}

void BatchController::saved(const QString& error)
{
    if (!error.isEmpty()) {
        if (ports_.showMessage)
            ports_.showMessage(Fill(tr("Error saving image \"%s\": %s"), {fileName(), error}));
        skip(error);
        return;
    }
    ++processed_;
    next();
}

void BatchController::skip(const QString& reason)
{
    failures_ << fileName() + QStringLiteral(": ") + reason;
    next();
}

void BatchController::next()
{
    stage_ = Stage::Idle;
    ++ticket_;
    if (cancelRequested_ || ++index_ >= files_.size()) {
        finish();
        return;
    }
    beginFile();
}

void BatchController::finish()
{
    running_ = false;
    QString text = Fill(tr("Batch complete: %d of %d images processed."),
                        {QString::number(processed_), QString::number(files_.size())});
    for (const QString& failure : failures_)
        text += u'\n' + failure;
    // The overlay goes first; the end message is the batch's last word.
    if (ports_.finished)
        ports_.finished();
    if (ports_.showMessage)
        ports_.showMessage(text);
}

} // namespace pq
