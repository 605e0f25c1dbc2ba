#pragma once

#include "scripting/script_command.h"

#include <QStringList>

#include <vector>

namespace pq {

// A parsed script: every command line that produced a command, in line
// order, and every error ("Line N: ..."), in line order.
struct ParsedScript {
    std::vector<ScriptCommand> commands;
    QStringList errors;
    // A script runs only when it parsed without an error.
    bool ok() const { return errors.isEmpty(); }
};

// Parses the lines of a script. Never fails: every line is read and every
// problem becomes an error. A colour or option error keeps its command; an
// error that ends a line's reading (a missing argument, an unknown effect
// or command, a size that is not positive) drops it. Reads no image and no
// window state.
ParsedScript ParseScript(const QStringList& lines);

// The same for a whole text (split at CR LF, CR or LF).
ParsedScript ParseScriptText(const QString& text);

} // namespace pq
