#pragma once

#include "scripting/script_command.h"

#include <QString>

namespace pq {

// The progress text of a command's step ("Watercolor", "Save → slot",
// "Resize to 50%x50%", ...). Not translated.
QString ScriptStepText(const ScriptCommand& command);

} // namespace pq
