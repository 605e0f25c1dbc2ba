#include "scripting/batch_script_choice.h"

#include "scripting/batch_controller.h"
#include "scripting/script_parser.h"

namespace pq {

BatchScriptChoice ChooseBatchScript(const QString& name, const QString& text,
                                    const std::function<QString(const QString&)>& translate)
{
    const auto tr = [&translate](const char* key) {
        const QString english = QString::fromUtf8(key);
        return translate ? translate(english) : english;
    };
    BatchScriptChoice choice;
    const ParsedScript parsed = ParseScriptText(text);
    if (!parsed.ok()) {
        choice.message = tr("Script has errors:") + u'\n' + parsed.errors.first();
        return choice;
    }
    choice.chosen = true;
    choice.runsScript = !parsed.commands.empty();
    choice.text = text;
    choice.message = BatchController::Fill(tr("Batch will run script: %s"), {name});
    return choice;
}

} // namespace pq
