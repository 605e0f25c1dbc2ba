#pragma once

#include <QString>

#include <functional>

namespace pq {

// The script a batch runs instead of the current effect.
struct BatchScriptChoice {
    // The script parsed: the panel says so.
    bool chosen = false;
    // It has commands; a script of comments only leaves the effect to run.
    bool runsScript = false;
    QString text;
    // The panel's text after a choice, or the message box after errors.
    QString message;
};

// Parses a chosen script (`name`: the file name or the combo's entry):
// "Batch will run script: %s" with the name, or "Script has errors:", a
// line break and the first error, with nothing chosen.
BatchScriptChoice ChooseBatchScript(const QString& name, const QString& text,
                                    const std::function<QString(const QString&)>& translate = {});

} // namespace pq
